#pragma once

#include "GameRules.h"
#include "PlayerStore.h"

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace server {

// The play endpoint without HTTP: reads a request body, plays its points on the player's stored game,
// saves the game and then makes the answer. Any thread may call; games are played one at a time.
class GameService {
public:
    // The time of a request, in seconds since 1970.
    using Clock = std::function<double()>;
    // The system's clock.
    static double systemTime();

    // `store` is borrowed and must outlive the service; `clock` dates the requests.
    GameService(PlayerStore& store, GameRules rules, Clock clock = &systemTime)
        : store_(store)
        , rules_(rules)
        , clock_(std::move(clock))
    { }

    struct Outcome {
        int status = 200; // 200, 400 (bad request) or 503 (the database failed)
        std::string body; // the answer's JSON, or a one-line reason ending in a line feed
    };

    // A body that is not a play request changes nothing (400); a known player is answered with the
    // game after the points, an unknown one starts a game at the first point. The game is saved
    // before the answer is made; if saving fails, the answer is 503 and the stored game stays as it
    // was. A request without points answers the stored game (an empty one for an unknown key).
    Outcome play(std::string_view body);

private:
    PlayerStore& store_;
    const GameRules rules_;
    const Clock clock_;
    std::mutex mutex_;
};

} // namespace server
