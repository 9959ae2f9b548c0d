#include "GeoPoint.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace base {

namespace {
constexpr double kRadiansPerDegree = std::numbers::pi / 180;

double wrappedLongitude(double degrees)
{
    const double wrapped = std::remainder(degrees, 360.0);
    return wrapped == -180 ? 180 : wrapped;
}
} // namespace

bool isValidCoordinate(GeoPoint point)
{
    return std::isfinite(point.latitude) && std::isfinite(point.longitude) && std::abs(point.latitude) <= 90
        && std::abs(point.longitude) <= 180;
}

double distanceMetres(GeoPoint from, GeoPoint to)
{
    // Haversine: exact on the sphere and well conditioned at small distances.
    const double latitude1 = from.latitude * kRadiansPerDegree;
    const double latitude2 = to.latitude * kRadiansPerDegree;
    const double halfLatitudeStep = std::sin((latitude2 - latitude1) / 2);
    const double halfLongitudeStep = std::sin((to.longitude - from.longitude) * kRadiansPerDegree / 2);
    const double h = halfLatitudeStep * halfLatitudeStep
        + std::cos(latitude1) * std::cos(latitude2) * halfLongitudeStep * halfLongitudeStep;
    return 2 * kEarthRadiusMetres * std::asin(std::sqrt(std::clamp(h, 0.0, 1.0)));
}

double bearingRadians(GeoPoint from, GeoPoint to)
{
    const double latitude1 = from.latitude * kRadiansPerDegree;
    const double latitude2 = to.latitude * kRadiansPerDegree;
    const double longitudeStep = (to.longitude - from.longitude) * kRadiansPerDegree;
    return std::atan2(std::sin(longitudeStep) * std::cos(latitude2),
        std::cos(latitude1) * std::sin(latitude2)
            - std::sin(latitude1) * std::cos(latitude2) * std::cos(longitudeStep));
}

GeoPoint destination(GeoPoint from, double bearingRadians, double metres)
{
    const double angle = metres / kEarthRadiusMetres;
    const double latitude = from.latitude * kRadiansPerDegree;
    const double sinLatitude = std::sin(latitude) * std::cos(angle)
        + std::cos(latitude) * std::sin(angle) * std::cos(bearingRadians);
    const double toLatitude = std::asin(std::clamp(sinLatitude, -1.0, 1.0));
    const double longitudeStep = std::atan2(std::sin(bearingRadians) * std::sin(angle) * std::cos(latitude),
        std::cos(angle) - std::sin(latitude) * sinLatitude);
    return { toLatitude / kRadiansPerDegree,
        wrappedLongitude(from.longitude + longitudeStep / kRadiansPerDegree) };
}

} // namespace base
