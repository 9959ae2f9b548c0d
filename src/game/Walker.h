#pragma once

#include "PositionSource.h"
#include "RMLatLong.h"
#include "Timer.h"

#include <optional>
#include <string>

namespace game {

class GameMapViewController;

// A simulated player to watch: a position source that walks from a starting
// point at 1.4 m/s (times a speed factor), one fix a second of walking, each
// accurate to 5 m. It plays by what the game screen shows and nothing else:
// it heads for a princess on the map, else for the nearest coin, else (from
// level 1, with nothing to head for) follows the temperature bar, keeping its
// heading while the bar warms and turning when it cools. Main thread only;
// it reads the screen it is given, which must outlive it.
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

    RMLatLong position() const { return position_; }
    // Radians clockwise from north.
    double heading() const { return heading_; }

private:
    void step();
    // Where the walker wants to go, if the screen shows anything to go to.
    std::optional<RMLatLong> target() const;
    void followTemperature();

    GameMapViewController& screen_;
    RMLatLong start_;
    RMLatLong position_;
    double speed_;
    double heading_ = 0;
    std::optional<float> lastTemperature_;
    platform::Timer stepTimer_;
};

} // namespace game
