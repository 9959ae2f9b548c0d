#pragma once

#include "GeoPoint.h"

#include <optional>
#include <vector>

namespace base {

// What a player sees of the game on the screen.
struct WalkerSight {
    std::vector<GeoPoint> coins;
    std::vector<GeoPoint> princesses; // those in sight
    int level = 0;
    std::optional<double> temperature; // percent, while the temperature bar shows
};

// How a player who goes only by the screen walks: to the nearest coin; with
// none on the map, to the nearest princess in sight; with neither, from level
// 1 on, by the temperature bar, keeping the heading while the bar warms and
// turning when it cools. Used by the simulated player of the game and by the
// tests that play the server's rules.
class WalkerStrategy {
public:
    explicit WalkerStrategy(GeoPoint start)
        : position_(start)
    { }

    // Takes in what the player now sees and chooses where to go.
    void see(const WalkerSight& sight);
    // Walks `metres` towards the chosen object, stopping on it, or on along
    // the heading when there is none; returns the new position.
    GeoPoint step(double metres);

    GeoPoint position() const { return position_; }
    // Radians clockwise from north.
    double heading() const { return heading_; }

private:
    GeoPoint position_;
    double heading_ = 0;
    std::optional<GeoPoint> target_;
    std::optional<double> lastTemperature_;
};

} // namespace base
