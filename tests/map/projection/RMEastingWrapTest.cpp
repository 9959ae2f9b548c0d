#include "RMEastingWrap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

constexpr double west = -20037508.34;
constexpr double width = 40075016.68;
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Wrapping as a plain loop of whole-width steps: the behaviour callers have
// always had for eastings a few planet widths out.
double stepped(double easting)
{
    while (west > easting)
        easting += width;
    while (west + width < easting)
        easting -= width;
    return easting;
}

TEST(RMWrapEasting, MatchesWholeWidthStepsNearThePlanet)
{
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> widths(-15, 15);
    for (int i = 0; i < 2000; ++i) {
        const double easting = widths(random) * width;
        ASSERT_EQ(RMWrapEasting(easting, west, width), stepped(easting)) << easting;
    }
    for (const double easting : { west, west + width, west - 1e-9, west + width + 1e-9, 0.0, -0.0 })
        EXPECT_EQ(RMWrapEasting(easting, west, width), stepped(easting)) << easting;
}

TEST(RMWrapEasting, BringsFarEastingsInAtOnce)
{
    for (const double easting : { 1e20, -1e20, 1e300, -1e300, 16.5 * width, -17.25 * width,
             std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest() }) {
        SCOPED_TRACE(easting);
        const double wrapped = RMWrapEasting(easting, west, width);
        EXPECT_GE(wrapped, west);
        EXPECT_LE(wrapped, west + width);
    }
    EXPECT_NEAR(RMWrapEasting(1000 * width + 5, west, width), 5, 1e-5);
}

TEST(RMWrapEasting, LeavesNonFiniteEastingsAndUnusableWidthsAlone)
{
    EXPECT_EQ(RMWrapEasting(inf, west, width), inf);
    EXPECT_EQ(RMWrapEasting(-inf, west, width), -inf);
    EXPECT_TRUE(std::isnan(RMWrapEasting(nan, west, width)));
    for (const double unusable : { 0.0, -width, inf, nan })
        EXPECT_EQ(RMWrapEasting(5e7, west, unusable), 5e7) << unusable;
}

TEST(RMWrapEasting, EndsWhenAStepIsLostToRounding)
{
    // A width below half the easting's precision cannot move it; stepping
    // must still stop.
    const double farWest = 1e20;
    const double eastOfIt = std::nextafter(farWest, inf);
    const double tiny = (eastOfIt - farWest) / 4;
    const double wrapped = RMWrapEasting(eastOfIt, farWest, tiny);
    EXPECT_TRUE(wrapped == eastOfIt || wrapped == farWest) << wrapped;
}

} // namespace
