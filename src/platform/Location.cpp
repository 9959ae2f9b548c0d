#include "Location.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform {

namespace {

// The earth's mean radius (IUGG), in metres.
constexpr double kEarthRadius = 6371008.8;

double radians(double degrees)
{
    return degrees * std::numbers::pi / 180;
}

} // namespace

bool isValidCoordinate(LocationCoordinate coordinate)
{
    return std::isfinite(coordinate.latitude) && std::isfinite(coordinate.longitude)
        && std::abs(coordinate.latitude) <= 90 && std::abs(coordinate.longitude) <= 180;
}

double distanceBetween(LocationCoordinate a, LocationCoordinate b)
{
    // The haversine form stays accurate for the short distances of a walk.
    const double sinHalfLatitude = std::sin(radians(b.latitude - a.latitude) / 2);
    const double sinHalfLongitude = std::sin(radians(b.longitude - a.longitude) / 2);
    const double h = sinHalfLatitude * sinHalfLatitude
        + std::cos(radians(a.latitude)) * std::cos(radians(b.latitude)) * sinHalfLongitude * sinHalfLongitude;
    return 2 * kEarthRadius * std::asin(std::sqrt(std::clamp(h, 0.0, 1.0)));
}

} // namespace platform
