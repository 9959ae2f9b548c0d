#include "RMMercatorToScreenProjection.h"
#include "MapTestPrinters.h"
#include "RMProjection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double eastEdge = 20037508.34;
constexpr double westEdge = -20037508.34;
constexpr double planetWidth = 40075016.68;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr float floatNan = std::numeric_limits<float>::quiet_NaN();
constexpr float floatInf = std::numeric_limits<float>::infinity();

void expectPoint(CGPoint actual, CGPoint expected)
{
    EXPECT_EQ(actual.x, expected.x) << ::testing::PrintToString(actual);
    EXPECT_EQ(actual.y, expected.y) << ::testing::PrintToString(actual);
}

// The Mercator camera on a 320 x 460 screen.
class RMMercatorToScreenProjectionTest : public ::testing::Test {
protected:
    RMMercatorToScreenProjection camera { RMProjection::googleProjection(), CGRectMake(0, 0, 320, 460) };

    RMProjectedPoint origin() const { return camera.projectedBounds().origin; }

    // Scale `metersPerPixel` with the origin at (0, 0).
    void atScale(float metersPerPixel) { camera.zoomBy(metersPerPixel); }

    // Scale 1 with the origin at `origin`.
    void atOrigin(RMProjectedPoint origin) { camera.setProjectedBounds({ origin, { 320, 460 } }); }
};

TEST_F(RMMercatorToScreenProjectionTest, StartsAtOneMetrePerPixelAndScreenBoundsMoveNeitherOriginNorScale)
{
    EXPECT_EQ(camera.metersPerPixel(), 1);
    EXPECT_EQ(camera.projectedBounds(), RMMakeProjectedRect(0, 0, 320, 460));
    atScale(10);
    camera.moveScreenBy({ 10, 10 });
    camera.setScreenBounds(CGRectMake(0, 0, 640, 920));
    EXPECT_TRUE(CGRectEqualToRect(camera.screenBounds(), CGRectMake(0, 0, 640, 920)));
    EXPECT_EQ(camera.projectedBounds(), RMMakeProjectedRect(-100, 100, 6400, 9200));
}

TEST_F(RMMercatorToScreenProjectionTest, ConvertsBetweenScreenAndProjectedPoints)
{
    atScale(10);
    EXPECT_EQ(camera.projectScreenPointToXY({ 0, 460 }), (RMProjectedPoint { 0, 0 }));
    EXPECT_EQ(camera.projectScreenPointToXY({ 320, 0 }), (RMProjectedPoint { 3200, 4600 }));
    EXPECT_EQ(camera.projectScreenPointToXY({ 160, 230 }), (RMProjectedPoint { 1600, 2300 }));
    expectPoint(camera.projectXYPoint({ 3200, 4600 }), { 320, 0 });
    expectPoint(camera.projectXYPoint({ 0, 0 }), { 0, 460 });
    expectPoint(camera.projectXYPointWithMetersPerPixel({ 3200, 4600 }, 20), { 160, 230 });
    EXPECT_EQ(
        camera.projectScreenPointToXYWithMetersPerPixel({ 320, 0 }, 20), (RMProjectedPoint { 6400, 9200 }));
}

TEST_F(RMMercatorToScreenProjectionTest, ConvertsSizesAndRectangles)
{
    atScale(10);
    EXPECT_EQ(camera.projectScreenSizeToXY({ 10, 10 }), (RMProjectedSize { 100, -100 }));
    EXPECT_EQ(
        camera.projectScreenRectToXY(CGRectMake(0, 460, 320, 460)), RMMakeProjectedRect(0, 0, 3200, 4600));

    const CGRect rect = camera.projectXYRect(RMMakeProjectedRect(0, 0, 3200, 4600));
    expectPoint(rect.origin, { 0, 460 });
    EXPECT_EQ(rect.size.width, 320);
    EXPECT_EQ(rect.size.height, 460);
}

TEST_F(RMMercatorToScreenProjectionTest, MovesPointsAndTheScreen)
{
    atScale(10);
    EXPECT_EQ(camera.movePointBy({ 0, 0 }, { 10, 10 }), (RMProjectedPoint { 100, -100 }));
    EXPECT_EQ(
        camera.moveRectBy(RMMakeProjectedRect(5, 5, 7, 7), { -1, 2 }), RMMakeProjectedRect(-5, -15, 7, 7));

    const RMProjectedPoint acrossTheDateLine = camera.movePointBy({ eastEdge - 50, 0 }, { 10, 0 });
    EXPECT_NEAR(acrossTheDateLine.easting, westEdge + 50, 1e-6);

    camera.moveScreenBy({ 10, 10 });
    EXPECT_EQ(origin(), (RMProjectedPoint { -100, 100 }));
    EXPECT_EQ(camera.metersPerPixel(), 10);
}

TEST_F(RMMercatorToScreenProjectionTest, ZoomsTheScreenAboutAPivot)
{
    atScale(10);
    const RMProjectedPoint underPivot = camera.projectScreenPointToXY({ 160, 230 });
    camera.zoomScreenByFactorNear(2, { 160, 230 });
    EXPECT_EQ(camera.metersPerPixel(), 5);
    EXPECT_EQ(camera.projectScreenPointToXY({ 160, 230 }), underPivot);
    EXPECT_EQ(origin(), (RMProjectedPoint { 800, 1150 }));

    camera.zoomScreenByFactorNear(0.25f, { 0, 460 });
    EXPECT_EQ(camera.metersPerPixel(), 20);
    EXPECT_EQ(origin(), (RMProjectedPoint { 800, 1150 }));

    camera.zoomBy(0.5f);
    EXPECT_EQ(camera.metersPerPixel(), 10);
    EXPECT_EQ(origin(), (RMProjectedPoint { 800, 1150 }));
}

TEST_F(RMMercatorToScreenProjectionTest, ZoomsPointsAndRectanglesAboutAScreenPivot)
{
    atScale(10);
    EXPECT_EQ(camera.zoomPointByFactorNear({ 1000, 1000 }, 2, { 0, 460 }), (RMProjectedPoint { 2000, 2000 }));
    EXPECT_EQ(
        camera.zoomPointByFactorNear({ 1000, 1000 }, 2, { 10, 450 }), (RMProjectedPoint { 1900, 1900 }));
    EXPECT_EQ(camera.zoomRectByFactorNear(RMMakeProjectedRect(1000, 1000, 100, 100), 0.5f, { 0, 460 }),
        RMMakeProjectedRect(500, 500, 50, 50));

    const RMProjectedPoint wrapped = camera.zoomPointByFactorNear({ eastEdge - 1000, 0 }, 2, { 0, 460 });
    EXPECT_NEAR(wrapped.easting, -2000, 1e-6);
}

TEST_F(RMMercatorToScreenProjectionTest, ChangingTheScaleKeepsTheCentre)
{
    atScale(10);
    EXPECT_EQ(camera.projectedCenter(), (RMProjectedPoint { 1600, 2300 }));
    camera.setMetersPerPixel(20);
    EXPECT_EQ(camera.metersPerPixel(), 20);
    EXPECT_EQ(camera.projectedCenter(), (RMProjectedPoint { 1600, 2300 }));
    EXPECT_EQ(origin(), (RMProjectedPoint { -1600, -2300 }));
}

TEST_F(RMMercatorToScreenProjectionTest, FitsBoundsWithTheMeanOfBothScales)
{
    camera.setProjectedBounds(RMMakeProjectedRect(0, 0, 6400, 4600));
    EXPECT_EQ(camera.metersPerPixel(), 15);
    EXPECT_EQ(origin(), (RMProjectedPoint { 0, 0 }));

    camera.setProjectedBounds(RMMakeProjectedRect(eastEdge + 100, 7, 320, 460));
    EXPECT_NEAR(origin().easting, westEdge + 100, 1e-6);
    EXPECT_EQ(origin().northing, 7);
}

TEST_F(RMMercatorToScreenProjectionTest, CentringWrapsTheCentreBeforeTheHalfScreenOffset)
{
    atScale(10);
    camera.setProjectedCenter({ eastEdge + 100, 0 });
    EXPECT_NEAR(origin().easting, westEdge + 100 - 1600, 1e-6);
    EXPECT_LT(origin().easting, westEdge);
    EXPECT_NEAR(camera.projectedCenter().easting, westEdge + 100, 1e-6);

    camera.setProjectedCenter({ eastEdge - 100, 0 });
    EXPECT_NEAR(camera.projectedCenter().easting, eastEdge - 100, 1e-6);
    camera.moveScreenBy({ -20, 0 });
    EXPECT_NEAR(camera.projectedCenter().easting, westEdge + 100, 1e-6);
}

TEST_F(RMMercatorToScreenProjectionTest, ScreenToProjectedWrapsTheOriginButNotTheAnswer)
{
    atScale(10);
    camera.setProjectedCenter({ westEdge + 100, 0 });
    const double westOfThePlanet = origin().easting;
    ASSERT_LT(westOfThePlanet, westEdge);

    const RMProjectedPoint unwrapped = camera.projectScreenPointToXYWithMetersPerPixel({ 0, 460 }, 10);
    EXPECT_EQ(unwrapped.easting, westOfThePlanet);
    EXPECT_NEAR(origin().easting, westOfThePlanet + planetWidth, 1e-6);

    camera.setProjectedCenter({ westEdge + 100, 0 });
    EXPECT_NEAR(camera.projectScreenPointToXY({ 0, 460 }).easting, westOfThePlanet + planetWidth, 1e-6);
}

struct NearestCopyCase {
    RMProjectedPoint origin;
    double easting;
    float x;
};

TEST_F(RMMercatorToScreenProjectionTest, DrawsPointsFromTheCopyOfTheWorldEastOfTheLeftEdge)
{
    atScale(10);
    const NearestCopyCase cases[] = {
        // Across the date line: 100 m past the west edge shows 1100 m right
        // of an origin 1000 m short of the east edge.
        { { eastEdge - 1000, 0 }, westEdge + 100, 110 },
        // Just west of the left edge: a planet width to the east.
        { { 0, 0 }, -3200, (planetWidth - 3200) / 10 },
        { { 0, 0 }, 3200, 320 },
        // Almost a planet east of the origin, where float rounding makes the
        // middle and right copies equally near: the tie goes to the middle.
        { { 0, 0 }, planetWidth - 1, (planetWidth - 1) / 10 },
        { { westEdge, 0 }, eastEdge - 1000, (planetWidth - 1000) / 10 },
        { { westEdge + 10, 0 }, westEdge, (planetWidth - 10) / 10 },
    };
    for (const NearestCopyCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.origin) + " to " + ::testing::PrintToString(c.easting));
        camera.setProjectedBounds({ c.origin, { 3200, 4600 } });
        ASSERT_EQ(camera.metersPerPixel(), 10);
        const CGPoint point = camera.projectXYPoint({ c.easting, c.origin.northing });
        // The origin, the planet width and their sum are taken as floats:
        // up to 4 m (0.4 px) off, before the pixel's own rounding.
        EXPECT_NEAR(point.x, c.x, 0.5);
        EXPECT_EQ(point.y, 460);
    }
}

TEST_F(RMMercatorToScreenProjectionTest, WithoutAProjectionNothingWraps)
{
    RMMercatorToScreenProjection bare(nullptr, CGRectMake(0, 0, 320, 460));
    bare.setProjectedCenter({ 9e7, 0 });
    EXPECT_EQ(bare.projectedCenter(), (RMProjectedPoint { 9e7, 0 }));
    expectPoint(bare.projectXYPoint({ 9e7 - 160, 0 }), { 0, 230 });
    EXPECT_EQ(bare.projectScreenPointToXY({ 320, 0 }), (RMProjectedPoint { 9e7 + 160, 230 }));
}

// Each rule below decides pixel positions; each test's inputs tell the rule
// from the slip (a double where a float belongs, or the other way round).

TEST_F(RMMercatorToScreenProjectionTest, ScreenToProjectedMultipliesInFloat)
{
    atScale(0.1f);
    const float y = 456.7f;
    const double metres = 3.0f * 0.1f;
    const double northing = (460.0f - y) * 0.1f;
    ASSERT_NE(metres, 3.0 * double { 0.1f });
    ASSERT_NE(northing, (460.0 - y) * double { 0.1f });
    EXPECT_EQ(camera.projectScreenPointToXY({ 3, y }), (RMProjectedPoint { metres, northing }));
    EXPECT_EQ(camera.projectScreenSizeToXY({ 3, 3 }), (RMProjectedSize { metres, -metres }));
    EXPECT_EQ(
        camera.projectScreenRectToXY(CGRectMake(0, 460, 3, 3)).size, (RMProjectedSize { metres, metres }));
    EXPECT_EQ(camera.movePointBy({ 0, 0 }, { 3, 3 }), (RMProjectedPoint { metres, -metres }));

    // 320 * 0.1f is 32 exactly in float, not in double.
    ASSERT_NE(32.0, 320.0 * double { 0.1f });
    EXPECT_EQ(camera.projectedBounds(), RMMakeProjectedRect(0, 0, 32, 46));
    EXPECT_EQ(camera.projectedCenter(), (RMProjectedPoint { 16, 23 }));
    camera.setProjectedCenter({ 0, 0 });
    EXPECT_EQ(origin(), (RMProjectedPoint { -16, -23 }));
}

TEST_F(RMMercatorToScreenProjectionTest, ProjectedToScreenMeasuresFromTheOriginAsAFloat)
{
    // 1000000.3 is 1000000.25 as a float: the same point is drawn 0.05 px
    // right of the left edge, not on it.
    atOrigin({ 1000000.3, 0 });
    const float x = static_cast<float>(1000000.3 - double { 1000000.3f });
    ASSERT_NE(x, 0.0f);
    EXPECT_EQ(camera.projectXYPoint({ 1000000.3, 0 }).x, x);

    atOrigin({ eastEdge - 1000, 0 });
    camera.zoomBy(10);
    const float acrossTheDateLine = static_cast<float>(
        (westEdge + 100 - double { static_cast<float>(eastEdge - 1000) - static_cast<float>(planetWidth) })
        / 10);
    ASSERT_NE(acrossTheDateLine, static_cast<float>((westEdge + 100 - (eastEdge - 1000 - planetWidth)) / 10));
    EXPECT_EQ(camera.projectXYPoint({ westEdge + 100, 0 }).x, acrossTheDateLine);
}

TEST_F(RMMercatorToScreenProjectionTest, ProjectedToScreenDividesAndSubtractsFromTheHeightInDoubleThenNarrows)
{
    const float y = static_cast<float>(460.0 - 900.71);
    ASSERT_NE(y, 460.0f - static_cast<float>(900.71));
    EXPECT_EQ(camera.projectXYPoint({ 0, 900.71 }).y, y);

    atScale(0.7f);
    const float x = static_cast<float>(1412.716 / double { 0.7f });
    ASSERT_NE(x, static_cast<float>(1412.716) / 0.7f);
    EXPECT_EQ(camera.projectXYPoint({ 1412.716, 0 }).x, x);
    EXPECT_EQ(camera.projectXYRect(RMMakeProjectedRect(0, 0, 1412.716, 1412.716)).size.width, x);
}

TEST_F(RMMercatorToScreenProjectionTest, ZoomingAboutAPivotMovesTheOriginInTwoFloatSteps)
{
    atOrigin({ 7866.61, 0 });
    camera.zoomBy(2.65f);
    const float pivot = 159.7f;
    double expected = 7866.61;
    expected += pivot * 2.65f;
    expected -= pivot * (2.65f / 2);
    ASSERT_NE(expected, 7866.61 + double { pivot * 2.65f - pivot * (2.65f / 2) });

    camera.zoomScreenByFactorNear(2, { pivot, 460 });
    EXPECT_EQ(origin().easting, expected);
    EXPECT_EQ(camera.metersPerPixel(), 2.65f / 2);
}

TEST_F(RMMercatorToScreenProjectionTest, FittingNarrowsEachScaleThenTakesTheMeanInFloat)
{
    const double width = 384381.51;
    const float scale = static_cast<float>(width / 320);
    ASSERT_NE(scale, static_cast<float>(width) / 320.0f);
    camera.setProjectedBounds(RMMakeProjectedRect(0, 0, width, double { scale } * 460));
    EXPECT_EQ(camera.metersPerPixel(), scale);

    // Both scales fit in a float; their float sum does not.
    const float huge = 3e38f;
    camera.setProjectedBounds(RMMakeProjectedRect(0, 0, double { huge } * 320, double { huge } * 460));
    EXPECT_EQ(camera.metersPerPixel(), floatInf);
}

TEST_F(RMMercatorToScreenProjectionTest, HostileScalesNeitherCrashNorHang)
{
    camera.zoomBy(0);
    EXPECT_EQ(camera.metersPerPixel(), 0);
    const CGPoint atZeroScale = camera.projectXYPoint({ 5, 5 });
    EXPECT_FALSE(std::isfinite(atZeroScale.x));
    EXPECT_FALSE(std::isfinite(atZeroScale.y));

    camera.setMetersPerPixel(10);
    camera.zoomScreenByFactorNear(0, { 160, 230 });
    EXPECT_EQ(camera.metersPerPixel(), floatInf);
    EXPECT_FALSE(std::isfinite(camera.projectedCenter().easting));
    camera.moveScreenBy({ 1e30f, -1e30f });
    camera.setProjectedCenter({ nan, 1e300 });
    camera.setMetersPerPixel(floatNan);
    camera.zoomScreenByFactorNear(floatNan, { floatNan, floatInf });
    EXPECT_TRUE(std::isnan(camera.metersPerPixel()));
    EXPECT_TRUE(std::isnan(camera.projectXYPoint({ 0, 0 }).x));

    camera.setProjectedBounds(RMMakeProjectedRect(1e300, -1e300, 1e300, 1e300));
    EXPECT_EQ(camera.metersPerPixel(), floatInf);
    EXPECT_GE(origin().easting, westEdge);
    EXPECT_LE(origin().easting, eastEdge);

    RMMercatorToScreenProjection empty(RMProjection::googleProjection(), CGRectZero);
    empty.setProjectedBounds(RMMakeProjectedRect(0, 0, 100, 100));
    EXPECT_EQ(empty.metersPerPixel(), floatInf);
    EXPECT_TRUE(std::isnan(empty.projectedCenter().easting));
}

} // namespace
