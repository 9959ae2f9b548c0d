#include "SimulatedWalker.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace vantry::test {

namespace {
constexpr double kRadiansPerDegree = std::numbers::pi / 180;

server::GeoPoint whereIs(const game::GameObject& object)
{
    return { object.latitude, object.longitude };
}
} // namespace

double bearing(server::GeoPoint from, server::GeoPoint to)
{
    const double latitude1 = from.latitude * kRadiansPerDegree;
    const double latitude2 = to.latitude * kRadiansPerDegree;
    const double longitudeStep = (to.longitude - from.longitude) * kRadiansPerDegree;
    return std::atan2(std::sin(longitudeStep) * std::cos(latitude2),
        std::cos(latitude1) * std::sin(latitude2)
            - std::sin(latitude1) * std::cos(latitude2) * std::cos(longitudeStep));
}

SimulatedWalker::SimulatedWalker(server::GeoPoint start, double metresPerFix, int fixesPerExchange)
    : position_(start)
    , metresPerFix_(metresPerFix)
    , fixesPerExchange_(fixesPerExchange)
{ }

std::vector<server::GeoPoint> SimulatedWalker::walk()
{
    std::vector<server::GeoPoint> points;
    for (int i = 0; i < fixesPerExchange_; ++i) {
        double step = metresPerFix_;
        if (target_) {
            // Stops on the marker rather than walking past it.
            step = std::min(step, server::distanceMetres(position_, whereIs(*target_)));
            heading_ = bearing(position_, whereIs(*target_));
        }
        position_ = server::destination(position_, heading_, step);
        points.push_back(position_);
    }
    return points;
}

void SimulatedWalker::see(const game::PlayAnswer& answer)
{
    lastAnswer_ = answer;
    target_ = nullptr;
    for (const char* wanted : { "coin", "princess" }) {
        double nearest = std::numeric_limits<double>::infinity();
        for (const game::GameObject& object : *lastAnswer_.objects) {
            const double distance = server::distanceMetres(position_, whereIs(object));
            if (object.imageName == wanted && distance < nearest) {
                nearest = distance;
                target_ = &object;
            }
        }
        if (target_)
            break;
    }
    if (!target_ && answer.level >= 1 && answer.temperature < lastTemperature_)
        heading_ += std::numbers::pi / 2;
    lastTemperature_ = answer.temperature;
}

} // namespace vantry::test
