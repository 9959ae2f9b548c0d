#pragma once

#include "PositionSource.h"
#include "RMLatLong.h"
#include "Timer.h"
#include "WalkerStrategy.h"

#include <optional>
#include <string>

namespace game {

class GameMapViewController;

// A simulated player to watch: a position source that walks from a starting
// point at 1.4 m/s (times a speed factor), one fix a second of walking, each
// accurate to 5 m. It plays by what the game screen shows and nothing else
// (the coins, a princess in sight, the level and the temperature bar), the
// way base::WalkerStrategy walks. Main thread only; it reads the screen it is
// given, which must outlive it.
class Walker : public platform::PositionSource {
public:
    // A lawn of Hyde Park, Sydney, near the map's default centre.
    static constexpr RMLatLong kDefaultStart { -33.8735, 151.2114 };
    static constexpr double kWalkingSpeed = 1.4; // metres a second
    static constexpr double kAccuracy = 5; // metres

    Walker(GameMapViewController& screen, RMLatLong start, double speed);

    void start() override;
    void stop() override;
    bool isAvailable() const override { return true; }
    std::string description() const override;

    // "walker" or "walker:LAT,LON": the starting point, or none (with the
    // reason in `error`) for another text.
    static std::optional<RMLatLong> startFromSpec(std::string_view spec, std::string& error);

private:
    void step();
    // What the game screen shows now.
    base::WalkerSight sight() const;
    void deliverPosition();

    GameMapViewController& screen_;
    RMLatLong start_;
    base::WalkerStrategy strategy_;
    double speed_;
    platform::Timer stepTimer_;
};

} // namespace game
