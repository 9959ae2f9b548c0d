#include "GeoPoint.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {

using base::GeoPoint;

constexpr double kMetresPerDegree = base::kEarthRadiusMetres * std::numbers::pi / 180;
constexpr double kEast = std::numbers::pi / 2;

TEST(GeoPoint, DistanceIsTheGreatCircleOnTheMeanEarth)
{
    const struct {
        GeoPoint a, b;
        double metres;
    } cases[] = {
        { { 0, 0 }, { 0, 0 }, 0 }, { { 0, 0 }, { 0, 1 }, kMetresPerDegree },
        { { 10, 20 }, { 11, 20 }, kMetresPerDegree }, { { 0, 179.5 }, { 0, -179.5 }, kMetresPerDegree },
        { { 90, 0 }, { -90, 0 }, 180 * kMetresPerDegree }, { { 0, 0 }, { 0, 180 }, 180 * kMetresPerDegree },
        { { 60, 0 }, { 60, 1 }, 55597.0 }, // narrower by cos 60° (and a little for the arc)
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(base::distanceMetres(c.a, c.b), c.metres, 1e-6 * c.metres + 1e-6)
            << c.a.latitude << "," << c.a.longitude << " to " << c.b.latitude << "," << c.b.longitude;
        EXPECT_NEAR(base::distanceMetres(c.b, c.a), base::distanceMetres(c.a, c.b), 1e-9);
    }
}

TEST(GeoPoint, DestinationLiesAtTheDistanceAndBearingItWasAskedFor)
{
    const struct {
        const char* where;
        GeoPoint from;
        double bearing;
        double metres;
    } cases[] = {
        { "London, north-east", { 51.5074, -0.1278 }, std::numbers::pi / 4, 600 },
        { "Sydney, south-west", { -33.8688, 151.2093 }, -3 * std::numbers::pi / 4, 150 },
        { "Tromsø, west", { 69.6492, 18.9553 }, -kEast, 1000 },
        { "Suva, east over the date line", { -18.1416, 179.9990 }, kEast, 400 },
    };
    for (const auto& c : cases) {
        const GeoPoint to = base::destination(c.from, c.bearing, c.metres);
        EXPECT_TRUE(base::isValidCoordinate(to)) << c.where;
        EXPECT_NEAR(base::distanceMetres(c.from, to), c.metres, 1e-6 * c.metres) << c.where;
        EXPECT_NEAR(base::bearingRadians(c.from, to), c.bearing, 1e-6) << c.where;
    }
    EXPECT_LT(base::destination({ -18.1416, 179.9990 }, kEast, 400).longitude, -179.99);
}

} // namespace
