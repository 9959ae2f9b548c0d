#include "WalkerStrategy.h"

#include <algorithm>
#include <limits>
#include <numbers>

namespace base {

namespace {
// A little more than a right angle, so that two turns in a row never send the
// walker back along the line it came.
constexpr double kTurnWhenColder = 0.6 * std::numbers::pi;

std::optional<GeoPoint> nearest(const std::vector<GeoPoint>& places, GeoPoint from)
{
    std::optional<GeoPoint> found;
    double shortest = std::numeric_limits<double>::infinity();
    for (const GeoPoint place : places) {
        if (const double metres = distanceMetres(from, place); metres < shortest) {
            shortest = metres;
            found = place;
        }
    }
    return found;
}
} // namespace

void WalkerStrategy::see(const WalkerSight& sight)
{
    target_ = nearest(sight.coins, position_);
    if (!target_)
        target_ = nearest(sight.princesses, position_);
    if (target_ || sight.level < 1 || !sight.temperature) {
        lastTemperature_.reset();
        return;
    }
    if (lastTemperature_ && *sight.temperature < *lastTemperature_)
        heading_ += kTurnWhenColder;
    lastTemperature_ = sight.temperature;
}

GeoPoint WalkerStrategy::step(double metres)
{
    if (target_) {
        metres = std::min(metres, distanceMetres(position_, *target_));
        if (metres == 0)
            return position_;
        heading_ = bearingRadians(position_, *target_);
    }
    position_ = destination(position_, heading_, metres);
    return position_;
}

} // namespace base
