#pragma once

#include "PlayAnswer.h"
#include "PositionSource.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace game {

class GameMapViewController;

// How this run of the game is set up (the program's options); read when the
// game needs each value. The game server's host is GameServer's.
struct GameSettings {
    // Makes the source of position fixes when locating starts, for the given
    // game screen; none: the system's positioning service.
    std::function<std::unique_ptr<platform::PositionSource>(GameMapViewController&)> positionSource;
    // Hears every answer the game screen has applied (a program's progress
    // report); none by default.
    std::function<void(const protocol::PlayAnswer&)> answerApplied;
    // The player key to use instead of the device's.
    std::optional<std::string> playerKeyOverride;

    // The settings of this run.
    static GameSettings& shared();

    // The key this device plays under: the override, else the device's
    // identifier, else the key of devices without one ("518240697735").
    static std::string playerKey();
};

} // namespace game
