// Moves and zoom: limits, the bounding mask, native steps, the animated
// zoom on the manual clock, fitting the camera, and requests that cannot be
// carried out.
#include "RMMapContents.h"

#include "MapFixture.h"
#include "MapPictures.h"
#include "MapTestPrinters.h"
#include "RMMapContentsAnimationCallback.h"
#include "RMMercatorToScreenProjection.h"
#include "RMMercatorToTileProjection.h"
#include "RMProjection.h"
#include "RMTileImage.h"
#include "RMTileImageSet.h"
#include "RMTileLoader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include <fmt/format.h>

#include <cmath>
#include <limits>

using testing::ElementsAre;
using vantry::test::LogCapture;
using vantry::test::ManualClock;
using vantry::test::MapFixture;
using vantry::test::MapOptions;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

MapOptions at(float zoom)
{
    MapOptions options;
    options.zoom = zoom;
    return options;
}

// Every tile on screen lies where the camera shows its corner (on some copy
// of the wrapped world), computed here in double. The tile grid keeps a
// column number of 2^z together with its offset in a float, exact to
// 2^(z - 16) points at zoom z; hence the tolerance.
void expectTilesUnderTheCamera(const RMMapContents& contents)
{
    ASSERT_GT(contents.imagesOnScreen()->count(), 0u);
    const double scale = contents.metersPerPixel();
    const double planet = contents.mercatorToTileProjection()->planetBounds().size.width / scale;
    const RMProjectedRect visible = contents.projectedBounds();
    for (const auto& image : contents.imagesOnScreen()->images()) {
        const double tolerance = std::exp2(image->tile().zoom - 17.0) + 0.01;
        const RMProjectedPoint corner
            = vantry::test::tileCorner(*contents.mercatorToTileProjection(), image->tile());
        double dx = (corner.easting - visible.origin.easting) / scale - image->screenLocation().origin.x;
        dx -= std::round(dx / planet) * planet;
        const double y
            = contents.screenBounds().size.height - (corner.northing - visible.origin.northing) / scale;
        EXPECT_NEAR(0, dx, tolerance) << testing::PrintToString(image->tile());
        EXPECT_NEAR(y, image->screenLocation().origin.y, tolerance) << testing::PrintToString(image->tile());
    }
}

TEST(RMMapContentsZoom, SetZoomStaysWithinTheLimitsAndKeepsTheCentre)
{
    MapFixture map;
    const RMLatLong center = map.contents->mapCenter();
    map.contents->setZoom(25);
    EXPECT_NEAR(18.0f, map.contents->zoom(), 1e-5);
    map.contents->setZoom(-3);
    EXPECT_NEAR(0.0f, map.contents->zoom(), 1e-5);
    map.contents->setZoom(13);
    EXPECT_NEAR(13.0f, map.contents->zoom(), 1e-5);
    EXPECT_NEAR(center.latitude, map.contents->mapCenter().latitude, 1e-6);
    EXPECT_NEAR(center.longitude, map.contents->mapCenter().longitude, 1e-6);
}

// Zooming within one tile level scales the pictures on screen about the
// screen's centre, where the camera keeps its centre.
TEST(RMMapContentsZoom, TilesFollowTheCameraWhenTheScaleChanges)
{
    MapFixture map;
    const std::size_t requests = map.source->totalRequests();
    map.contents->setZoom(13.3f);
    EXPECT_EQ(requests, map.source->totalRequests());
    expectTilesUnderTheCamera(*map.contents);
    map.contents->setZoom(12.8f);
    expectTilesUnderTheCamera(*map.contents);
    map.contents->setMetersPerPixel(map.contents->metersPerPixel() * 1.1f);
    expectTilesUnderTheCamera(*map.contents);
}

TEST(RMMapContentsZoom, ZoomByFactorOnlyInsideTheLimits)
{
    // Near Greenwich, where eastings are small enough to convert exactly.
    MapOptions options = at(17.5f);
    options.center = RMLatLong { 51.5, -0.12 };
    MapFixture map(options);
    map.contents->zoomByFactorNear(2, CGPointMake(100, 200));
    EXPECT_NEAR(17.5f, map.contents->zoom(), 1e-5);

    map.contents->setZoom(16.5f);
    const CGPoint pivot = CGPointMake(100, 200);
    const RMProjectedPoint under = map.contents->mercatorToScreenProjection()->projectScreenPointToXY(pivot);
    map.contents->zoomByFactorNear(2, pivot);
    EXPECT_NEAR(17.5f, map.contents->zoom(), 1e-5);
    const CGPoint after = map.contents->mercatorToScreenProjection()->projectXYPoint(under);
    EXPECT_NEAR(pivot.x, after.x, 1e-3);
    EXPECT_NEAR(pivot.y, after.y, 1e-3);
    expectTilesUnderTheCamera(*map.contents);
}

TEST(RMMapContentsZoom, TheBoundingMaskKeepsThePlanetAsWideAsTheScreen)
{
    MapFixture map(at(5));
    map.contents->zoomByFactorNear(0.001f, CGPointMake(160, 240));
    const double planetWidth = map.contents->projection()->planetBounds().size.width;
    EXPECT_FLOAT_EQ(static_cast<float>(planetWidth / 320), map.contents->metersPerPixel());
    EXPECT_NEAR(std::log2(320.0 / 256), map.contents->zoom(), 1e-4);

    map.contents->setBoundingMask(RMBoundingMaskNone);
    EXPECT_EQ(0.5f, map.contents->adjustZoomForBoundingMask(0.5f));
    map.contents->setBoundingMask(RMBoundingMaskMinHeight);
    // The planet is square: 480 points high at the least.
    const float factor = map.contents->adjustZoomForBoundingMask(0.5f);
    EXPECT_FLOAT_EQ(static_cast<float>(480 / (planetWidth / map.contents->metersPerPixel())), factor);
    // Zooming in is never limited.
    EXPECT_EQ(4.0f, map.contents->adjustZoomForBoundingMask(4));
}

struct NativeCase {
    float zoom;
    float maxZoom;
    float expected;
};

class RMMapContentsNativeZoom : public testing::TestWithParam<NativeCase> { };

TEST_P(RMMapContentsNativeZoom, NextNativeFactor)
{
    MapOptions options = at(GetParam().zoom);
    options.maxZoom = GetParam().maxZoom;
    MapFixture map(options);
    EXPECT_NEAR(GetParam().expected, map.contents->nextNativeZoomFactor(), 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Cases, RMMapContentsNativeZoom,
    testing::Values(NativeCase { 12.3f, 18, std::exp2(0.7f) }, NativeCase { 12.5f, 18, std::exp2(1.5f) },
        NativeCase { 17.2f, 18, 0 }, NativeCase { 16.4f, 18, std::exp2(0.6f) }));

TEST(RMMapContentsZoom, NativeStepsStopShortOfTheLimits)
{
    MapFixture map(at(1.2f));
    map.contents->zoomOutToNextNativeZoomAt(CGPointMake(160, 240));
    EXPECT_NEAR(1.2f, map.contents->zoom(), 1e-5);

    map.contents->setZoom(12.3f);
    map.contents->zoomInToNextNativeZoomAt(CGPointMake(160, 240));
    EXPECT_NEAR(13.0f, map.contents->zoom(), 1e-4);
    map.contents->zoomOutToNextNativeZoomAt(CGPointMake(160, 240));
    EXPECT_NEAR(12.0f, map.contents->zoom(), 1e-4);

    map.contents->setZoom(17.2f);
    map.contents->zoomInToNextNativeZoomAt(CGPointMake(160, 240));
    EXPECT_NEAR(17.2f, map.contents->zoom(), 1e-5);
}

TEST(RMMapContentsZoom, AnImmediateZoomLandsOnTheLimitRatherThanBeyondIt)
{
    MapFixture map(at(15));
    map.contents->zoomByFactorNearAnimated(64, CGPointMake(160, 240), false);
    EXPECT_NEAR(18.0f, map.contents->zoom(), 1e-4);
    map.contents->zoomByFactorNearAnimated(2, CGPointMake(160, 240), false);
    EXPECT_NEAR(18.0f, map.contents->zoom(), 1e-4);
    // Away from the limit it zooms again.
    map.contents->zoomByFactorNearAnimated(0.5f, CGPointMake(160, 240), false);
    EXPECT_NEAR(17.0f, map.contents->zoom(), 1e-4);
    map.contents->zoomByFactorNearAnimated(1e-6f, CGPointMake(160, 240), false);
    EXPECT_NEAR(std::log2(320.0 / 256), map.contents->zoom(), 1e-4);

    // A camera already beyond the limit is pulled back.
    map.contents->mercatorToScreenProjection()->setMetersPerPixel(
        map.contents->mercatorToTileProjection()->calculateScaleFromZoom(20));
    map.contents->zoomByFactorNearAnimated(2, CGPointMake(160, 240), false);
    EXPECT_NEAR(18.0f, map.contents->zoom(), 1e-5);
}

TEST(RMMapContentsZoom, LimitsAreBoundedByTheSourceAndPullTheZoomIn)
{
    MapFixture map(at(15));
    map.contents->setMaxZoom(30);
    EXPECT_EQ(18.0f, map.contents->maxZoom());
    map.contents->setMaxZoom(12);
    EXPECT_EQ(12.0f, map.contents->maxZoom());
    EXPECT_NEAR(12.0f, map.contents->zoom(), 1e-5);
    map.contents->setMinZoom(-4);
    EXPECT_EQ(0.0f, map.contents->minZoom());
    map.contents->setMinZoom(14);
    EXPECT_EQ(12.0f, map.contents->minZoom());
    map.contents->setMaxZoom(kNaN);
    EXPECT_EQ(18.0f, map.contents->maxZoom());
    // A pan after all this finds the tile zoom within the limits.
    map.contents->moveBy(CGSizeMake(400, 0));
}

class Finished : public RMMapContentsAnimationCallback,
                 public RMMapContentsAnimationCallback::AnimationFinished {
public:
    void animationFinishedWithZoomFactorNear(float zoomFactor, CGPoint pivot) override
    {
        calls.push_back(fmt::format("{:.4f} at {},{}", zoomFactor, pivot.x, pivot.y));
        if (onFinish)
            onFinish();
    }
    std::vector<std::string> calls;
    std::function<void()> onFinish;
};

TEST(RMMapContentsAnimatedZoom, StepsToTheTargetAndTellsTheCallback)
{
    MapFixture map;
    Finished callback;
    const CGPoint pivot = CGPointMake(100, 100);
    map.contents->zoomByFactorNearAnimatedWithCallback(4, pivot, true, &callback);
    EXPECT_NEAR(13.0f, map.contents->zoom(), 1e-5);
    EXPECT_EQ(1u, map.contents->zoomAnimationCount());

    const float increment = 2 / (0.1f / 0.03f);
    std::vector<float> zooms;
    for (int step = 0; step < 4; ++step) {
        map.clock.advance(0.03);
        zooms.push_back(map.contents->zoom());
    }
    EXPECT_NEAR(13 + increment, zooms[0], 1e-4);
    EXPECT_NEAR(13 + 2 * increment, zooms[1], 1e-4);
    EXPECT_NEAR(13 + 3 * increment, zooms[2], 1e-4);
    // The last step lands on the target instead of passing it.
    EXPECT_NEAR(15.0f, zooms[3], 1e-4);
    EXPECT_TRUE(callback.calls.empty());

    map.clock.advance(0.06);
    EXPECT_THAT(callback.calls, ElementsAre("15.0000 at 100,100"));
    EXPECT_EQ(0u, map.contents->zoomAnimationCount());
    EXPECT_EQ(0u, map.clock.pendingTimerCount());
    EXPECT_NEAR(15.0f, map.contents->zoom(), 1e-4);
    // The pivot stayed put.
    expectTilesUnderTheCamera(*map.contents);
}

// A zoom stopped by a limit never reaches its target: it ends at the first
// step that leaves the zoom unchanged.
TEST(RMMapContentsAnimatedZoom, EndsWhenALimitStopsIt)
{
    MapFixture map(at(17));
    Finished callback;
    map.contents->zoomByFactorNearAnimatedWithCallback(4, CGPointMake(160, 240), true, &callback);
    map.clock.advance(0.03);
    map.clock.advance(0.03);
    EXPECT_NEAR(18.0f, map.contents->zoom(), 1e-4);
    EXPECT_TRUE(callback.calls.empty());
    map.clock.advance(0.03);
    EXPECT_THAT(callback.calls, ElementsAre("19.0000 at 160,240"));
    EXPECT_EQ(0u, map.clock.pendingTimerCount());
    map.clock.advance(1);
    EXPECT_EQ(1u, callback.calls.size());
}

struct StillCase {
    const char* name;
    float factor;
    CGPoint pivot;
};

// Names the case in test listings (instead of a dump of its bytes).
void PrintTo(const StillCase& c, std::ostream* out)
{
    *out << c.name;
}

class RMMapContentsStillAnimation : public testing::TestWithParam<StillCase> { };

// Requests that cannot zoom end at their first step, so the caller still
// hears of their end.
TEST_P(RMMapContentsStillAnimation, EndsAtTheFirstStep)
{
    MapFixture map;
    Finished callback;
    map.contents->zoomByFactorNearAnimatedWithCallback(GetParam().factor, GetParam().pivot, true, &callback);
    map.clock.advance(0.03);
    EXPECT_EQ(1u, callback.calls.size());
    EXPECT_NEAR(13.0f, map.contents->zoom(), 1e-5);
    EXPECT_EQ(0u, map.clock.pendingTimerCount());
}

INSTANTIATE_TEST_SUITE_P(Cases, RMMapContentsStillAnimation,
    testing::Values(StillCase { "one", 1, CGPointMake(1, 1) }, StillCase { "nan", kNaN, CGPointMake(1, 1) },
        StillCase { "zero", 0, CGPointMake(1, 1) }, StillCase { "negative", -2, CGPointMake(1, 1) },
        StillCase { "infinite", kInfinity, CGPointMake(1, 1) },
        StillCase { "nanPivot", 2, CGPointMake(kNaN, 1) }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RMMapContentsAnimatedZoom, ACallbackWithoutTheOperationIsNotCalled)
{
    MapFixture map;
    RMMapContentsAnimationCallback silent;
    map.contents->zoomByFactorNearAnimatedWithCallback(2, CGPointMake(1, 1), true, &silent);
    map.clock.advance(1);
    EXPECT_EQ(0u, map.contents->zoomAnimationCount());
    EXPECT_NEAR(14.0f, map.contents->zoom(), 1e-4);
}

TEST(RMMapContentsAnimatedZoom, TheCallbackMayDestroyTheMap)
{
    ManualClock clock;
    LogCapture log;
    auto view = std::make_unique<RMMapView>(CGRectMake(0, 0, 320, 480));
    RMMapContents* contents = vantry::test::memoryContentsFor(*view).get();
    Finished callback;
    callback.onFinish = [&view] { view.reset(); };
    contents->zoomByFactorNearAnimatedWithCallback(2, CGPointMake(1, 1), true, &callback);
    contents->zoomByFactorNearAnimated(2, CGPointMake(1, 1), true);
    clock.advance(1);
    EXPECT_EQ(nullptr, view);
    EXPECT_EQ(1u, callback.calls.size());
    EXPECT_EQ(0u, clock.pendingTimerCount());
    log.take();
}

TEST(RMMapContentsMoves, PanningMovesCameraTilesAndLoadsOnlyNewGround)
{
    MapFixture map;
    const std::size_t requests = map.source->totalRequests();
    const std::size_t count = map.contents->imagesOnScreen()->count();
    map.contents->moveBy(CGSizeMake(3, -2));
    EXPECT_EQ(requests, map.source->totalRequests());
    EXPECT_EQ(count, map.contents->imagesOnScreen()->count());
    expectTilesUnderTheCamera(*map.contents);

    map.contents->moveBy(CGSizeMake(300, 0));
    EXPECT_GT(map.source->totalRequests(), requests);
    EXPECT_TRUE(CGRectContainsRect(map.contents->tileLoader()->loadedBounds(), map.contents->screenBounds()));
    expectTilesUnderTheCamera(*map.contents);
}

TEST(RMMapContentsMoves, RequestsThatAreNotNumbersChangeNothing)
{
    MapFixture map;
    const RMProjectedRect before = map.contents->projectedBounds();
    const float zoom = map.contents->zoom();
    map.contents->moveBy(CGSizeMake(kNaN, 0));
    map.contents->moveBy(CGSizeMake(0, kInfinity));
    map.contents->moveToLatLong(RMLatLong { std::nan(""), 0 });
    map.contents->moveToProjectedPoint(RMProjectedPoint { 0, -std::numeric_limits<double>::infinity() });
    map.contents->setZoom(kNaN);
    map.contents->setMetersPerPixel(0);
    map.contents->setMetersPerPixel(-5);
    map.contents->setMetersPerPixel(kInfinity);
    map.contents->zoomByFactorNear(kNaN, CGPointMake(1, 1));
    map.contents->zoomByFactorNear(0, CGPointMake(1, 1));
    map.contents->zoomByFactorNear(-1, CGPointMake(1, 1));
    map.contents->zoomByFactorNear(2, CGPointMake(kNaN, 1));
    map.contents->zoomByFactorNearAnimated(kInfinity, CGPointMake(1, 1), false);
    map.contents->zoomWithRMMercatorRectBounds(RMProjectedRect { { 0, 0 }, { 0, 100 } });
    map.contents->zoomWithRMMercatorRectBounds(RMProjectedRect { { std::nan(""), 0 }, { 100, 100 } });
    EXPECT_EQ(before, map.contents->projectedBounds());
    EXPECT_EQ(zoom, map.contents->zoom());
    expectTilesUnderTheCamera(*map.contents);
}

TEST(RMMapContentsFit, EqualCornersCentreAtTwoMetresPerPixel)
{
    MapFixture map;
    const RMLatLong point { 48.2, 16.37 };
    map.contents->zoomWithLatLngBoundsNorthEastSouthWest(point, point);
    EXPECT_FLOAT_EQ(2.0f, map.contents->metersPerPixel());
    EXPECT_NEAR(point.latitude, map.contents->mapCenter().latitude, 1e-6);
    EXPECT_NEAR(point.longitude, map.contents->mapCenter().longitude, 1e-6);
    expectTilesUnderTheCamera(*map.contents);
}

TEST(RMMapContentsFit, ABoxFillsTheScreenLessAMargin)
{
    MapOptions options;
    options.frame = CGRectMake(0, 0, 320, 460);
    MapFixture map(options);
    const double halfSpan = 5000.0 / 6378137.0 * 180.0 / M_PI;
    map.contents->zoomWithLatLngBoundsNorthEastSouthWest(
        RMLatLong { 0, 10 + halfSpan }, RMLatLong { 0, 10 - halfSpan });

    EXPECT_NEAR(10000.0 / 270.0, map.contents->metersPerPixel(), 1e-3);
    EXPECT_NEAR(0, map.contents->mapCenter().latitude, 1e-6);
    EXPECT_NEAR(10, map.contents->mapCenter().longitude, 1e-6);
    const double scale = 10000.0 / 270.0;
    const RMProjectedPoint center = map.contents->projection()->latLongToPoint(RMLatLong { 0, 10 });
    const RMLatLong origin = map.contents->projection()->pointToLatLong(
        RMProjectedPoint { center.easting - 320 * scale / 2, center.northing - 460 * scale / 2 });
    const auto lines = map.log.take();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(
        fmt::format("Origin is calculated at: {:f}, {:f}", origin.latitude, origin.longitude), lines[0]);
}

TEST(RMMapContentsFit, ARectangleBeyondTheLimitsIsShownAtTheLimit)
{
    MapFixture map;
    const RMProjectedPoint center = map.contents->projection()->latLongToPoint(RMLatLong { 51.5, -0.12 });
    map.contents->zoomWithRMMercatorRectBounds(
        RMProjectedRect { { center.easting - 16, center.northing - 24 }, { 32, 48 } });
    EXPECT_NEAR(18.0f, map.contents->zoom(), 1e-4);
    EXPECT_NEAR(51.5, map.contents->mapCenter().latitude, 1e-6);
    expectTilesUnderTheCamera(*map.contents);

    map.contents->zoomWithRMMercatorRectBounds(RMProjectedRect { { -2e7, -2e7 }, { 4e9, 4e9 } });
    EXPECT_NEAR(0.0f, map.contents->zoom(), 1e-4);
}

} // namespace
