#pragma once

#include "GeoPoint.h"
#include "PlayAnswer.h" // the client's reading of an answer

#include <vector>

namespace vantry::test {

// A player who goes only by what the client's screen shows: it heads for the nearest coin marker;
// failing that for a princess in sight; failing that, from level 1 on, it follows the temperature
// bar, keeping its heading while the temperature rises and turning a quarter to the right when it
// falls. Each exchange it walks `fixesPerExchange` steps of `metresPerFix`.
class SimulatedWalker {
public:
    SimulatedWalker(server::GeoPoint start, double metresPerFix, int fixesPerExchange);

    // The points reached since the last exchange.
    std::vector<server::GeoPoint> walk();
    // Takes in the server's answer to those points.
    void see(const game::PlayAnswer& answer);

    server::GeoPoint position() const { return position_; }

private:
    server::GeoPoint position_;
    double metresPerFix_;
    int fixesPerExchange_;
    double heading_ = 0; // radians from north
    const game::GameObject* target_ = nullptr;
    game::PlayAnswer lastAnswer_;
    float lastTemperature_ = 0;
};

// The initial bearing from `from` to `to`, radians from north.
double bearing(server::GeoPoint from, server::GeoPoint to);

} // namespace vantry::test
