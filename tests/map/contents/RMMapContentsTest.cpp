// Construction, wiring, the layer stack, frames, memory warnings, teardown
// and the expensive-operations switch.
#include "RMMapContents.h"
#include "NoDownloads.h"

#include "Exception.h"
#include "Layer.h"
#include "MapFixture.h"
#include "MapTestPrinters.h"
#include "NotificationCenter.h"
#include "RMCoreAnimationRenderer.h"
#include "RMLayerSet.h"
#include "RMMapLayer.h"
#include "RMMapRenderer.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"
#include "RMMercatorToScreenProjection.h"
#include "RMNotifications.h"
#include "RMTileImageSet.h"
#include "RMTileLoader.h"
#include "TestImages.h"
#include "View.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cmath>

using testing::ElementsAre;
using vantry::test::isTraceLine;
using vantry::test::LogCapture;
using vantry::test::ManualClock;
using vantry::test::MapFixture;
using vantry::test::MapOptions;
using vantry::test::MemoryTileSource;
using vantry::test::withoutCaches;

namespace {

constexpr std::string_view kInitialiser
    = "initWithView:tilesource:centerLatLon:zoomLevel:maxZoomLevel:minZoomLevel:backgroundImage:";

TEST(RMMapContentsConstruction, DefaultsWithTheOpenStreetMapSource)
{
    ManualClock clock;
    LogCapture log;
    vantry::test::NoDownloads noDownloads;
    auto view = std::make_unique<RMMapView>(CGRectMake(0, 0, 320, 460));
    EXPECT_EQ(vantry::test::viewConstructionLines(CGRectMake(0, 0, 320, 460)), log.take());
    RMMapContents* contents = RMMapContents::create(view.get()).get();

    EXPECT_EQ(contents, &view->contents());
    EXPECT_EQ(1.0f, contents->minZoom());
    EXPECT_EQ(16.0f, contents->maxZoom());
    EXPECT_NEAR(13.0f, contents->zoom(), 1e-5);
    EXPECT_NEAR(-33.858771, contents->mapCenter().latitude, 1e-6);
    EXPECT_NEAR(151.201596, contents->mapCenter().longitude, 1e-6);
    EXPECT_EQ(RMBoundingMaskMinWidth, contents->boundingMask());

    const auto lines = vantry::test::withoutCacheLifecycle(log.take());
    ASSERT_EQ(3u, lines.size());
    EXPECT_TRUE(isTraceLine(lines[0], std::string(kInitialiser), contents->description())) << lines[0];
    EXPECT_EQ("Map contents initialised. view: MapView at 0,0-320,460 tileSource "
            + contents->tileSource()->description() + " renderer " + contents->renderer()->description(),
        lines[1]);
    EXPECT_TRUE(contents->tileSource()->description().starts_with("<RMCachedTileSource: 0x"));
    EXPECT_TRUE(contents->renderer()->description().starts_with("<RMCoreAnimationRenderer: 0x"));

    const std::string description = contents->description();
    view.reset();
    const auto teardown = vantry::test::withoutCacheLifecycle(log.take());
    ASSERT_EQ(3u, teardown.size());
    EXPECT_TRUE(isTraceLine(teardown[0], "dealloc", "MapView at 0,0-320,460")) << teardown[0];
    EXPECT_TRUE(isTraceLine(teardown[1], "dealloc", description)) << teardown[1];
    EXPECT_TRUE(isTraceLine(teardown[2], "performInitialSetup", "MapView at 0,0-320,460")) << teardown[2];
}

TEST(RMMapContentsConstruction, TheViewMakesItsContentsOnFirstUseThroughTheOldInitialiser)
{
    ManualClock clock;
    LogCapture log;
    vantry::test::NoDownloads noDownloads;
    auto view = std::make_unique<RMMapView>(CGRectMake(0, 0, 320, 460));
    log.take();
    EXPECT_FALSE(view->hasContents());
    RMMapContents& contents = view->contents();
    EXPECT_TRUE(view->hasContents());
    EXPECT_EQ(&contents, &view->contents());

    const auto lines = vantry::test::withoutCacheLifecycle(log.take());
    ASSERT_EQ(4u, lines.size());
    const std::string prefix = "***** WARNING: initForView: deprecated method call: -["
        + contents.description() + " initForView:] (line ";
    EXPECT_TRUE(lines[0].starts_with(prefix)) << lines[0];
    EXPECT_TRUE(isTraceLine(lines[1], std::string(kInitialiser), contents.description())) << lines[1];
    view.reset();
    log.take();
}

TEST(RMMapContentsConstruction, TheOldInitialiserWithARendererSkipsTheChecksAndTheHandOver)
{
    ManualClock clock;
    LogCapture log;
    auto view = std::make_unique<RMMapView>(CGRectMake(0, 0, 320, 460));
    log.take();
    auto source = std::make_shared<MemoryTileSource>(false, 2, 12);
    RMMapRenderer* made = nullptr;
    auto contents = RMMapContents::createForViewWithTileSourceWithRendererLookingAt(
        view.get(), withoutCaches(source),
        [&made](RMMapContents& owner) {
            auto renderer = std::make_shared<RMMapRenderer>(&owner);
            made = renderer.get();
            return renderer;
        },
        RMLatLong { 10, 20 });

    EXPECT_FALSE(view->hasContents());
    EXPECT_EQ(made, contents->renderer());
    EXPECT_EQ(2.0f, contents->minZoom());
    EXPECT_EQ(12.0f, contents->maxZoom());
    // The initial zoom 13 is pulled to the maximum without complaint.
    EXPECT_NEAR(12.0f, contents->zoom(), 1e-5);
    EXPECT_NEAR(10, contents->mapCenter().latitude, 1e-6);

    const auto lines = log.take();
    ASSERT_EQ(3u, lines.size());
    EXPECT_TRUE(lines[0].starts_with("***** WARNING: initForView:WithTileSource:WithRenderer:LookingAt: "
                                     "deprecated method call: -["
        + contents->description()))
        << lines[0];
    EXPECT_TRUE(
        isTraceLine(lines[1], "initForView:WithTileSource:WithRenderer:LookingAt:", contents->description()));
    EXPECT_TRUE(lines[2].starts_with("Map contents initialised. view: MapView at 0,0-320,460 tileSource "));
    view->setContents(std::move(contents));
    view.reset();
    log.take();
}

TEST(RMMapContentsConstruction, AViewThatIsNoMapViewIsAProgrammingError)
{
    ManualClock clock;
    LogCapture log;
    platform::View plain(CGRectMake(0, 0, 10, 10));
    const auto source = withoutCaches(std::make_shared<MemoryTileSource>());
    try {
        RMMapContents::create(&plain, source);
        FAIL() << "no assertion failure";
    } catch (const base::AssertionFailure& failure) {
        EXPECT_EQ("view <View: " + fmt::format("{}", fmt::ptr(&plain)) + "> must be a subclass of RMMapView",
            failure.description());
    }
    try {
        RMMapContents::create(nullptr, source);
        FAIL() << "no assertion failure";
    } catch (const base::AssertionFailure& failure) {
        EXPECT_EQ("view (null) must be a subclass of RMMapView", failure.description());
    }
    for (const auto& line : log.take())
        EXPECT_TRUE(line.find("logged method call") != std::string::npos) << line;
}

struct InitialZoomCase {
    float zoom;
    float minZoom;
    float maxZoom;
    const char* failure; // empty: passes
};

class RMMapContentsInitialZoom : public testing::TestWithParam<InitialZoomCase> { };

TEST_P(RMMapContentsInitialZoom, IsCheckedAgainstTheLimits)
{
    const InitialZoomCase& given = GetParam();
    ManualClock clock;
    LogCapture log;
    auto view = std::make_unique<RMMapView>(CGRectMake(0, 0, 320, 460));
    std::string failure;
    try {
        RMMapContents::create(view.get(), withoutCaches(std::make_shared<MemoryTileSource>()),
            RMLatLong { 0, 0 }, given.zoom, given.maxZoom, given.minZoom, {});
    } catch (const base::AssertionFailure& error) {
        failure = error.description();
    }
    EXPECT_EQ(given.failure, failure);
    view.reset();
    log.take();
}

INSTANTIATE_TEST_SUITE_P(Cases, RMMapContentsInitialZoom,
    testing::Values(InitialZoomCase { 5, 5, 10, "" }, InitialZoomCase { 10, 5, 10, "" },
        InitialZoomCase { 4, 5, 10, "initial zoom level must be greater than minimum zoom level" },
        InitialZoomCase { 11, 5, 10, "initial zoom level must be less than maximum zoom level" },
        // The source allows 0 to 18 only.
        InitialZoomCase { 19, 0, 25, "initial zoom level must be less than maximum zoom level" },
        InitialZoomCase {
            std::nanf(""), 0, 18, "initial zoom level must be greater than minimum zoom level" }));

TEST(RMMapContentsParts, TheLayerStackIsBackgroundTilesOverlay)
{
    MapFixture map;
    const auto& sublayers = map.contents->layer()->sublayers();
    ASSERT_EQ(3u, sublayers.size());
    EXPECT_EQ(map.contents->background(), sublayers[0].get());
    EXPECT_EQ(map.contents->renderer()->layer(), sublayers[1]);
    EXPECT_EQ(map.contents->overlay(), sublayers[2].get());
    EXPECT_EQ(&map.view->layer(), map.contents->layer());
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 320, 480), map.contents->renderer()->layer()->frame()));
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 320, 480), map.contents->overlay()->frame()));
}

TEST(RMMapContentsParts, ABackgroundWithoutRendererLayerOrOverlayGoesToTheBottom)
{
    MapFixture map;
    map.contents->setRenderer(std::make_shared<RMMapRenderer>(map.contents));
    map.contents->setOverlay(nullptr);
    map.contents->setBackground(nullptr);
    auto marker = std::make_shared<platform::Layer>();
    map.contents->layer()->addSublayer(marker);

    auto background = std::make_shared<RMMapLayer>();
    map.contents->setBackground(background);
    EXPECT_EQ(background, map.contents->layer()->sublayers().front());
}

TEST(RMMapContentsParts, ANewRendererTakesTheOldOnesPlaceAndBecomesTheImageSetsDelegate)
{
    MapFixture map;
    const std::shared_ptr<platform::Layer> oldLayer = map.contents->renderer()->layer();
    auto renderer = std::make_shared<RMCoreAnimationRenderer>(map.contents);
    map.contents->setRenderer(renderer);

    EXPECT_EQ(nullptr, oldLayer->superlayer());
    EXPECT_EQ(renderer->layer(), map.contents->layer()->sublayers()[1]);
    EXPECT_EQ(renderer.get(), map.contents->imagesOnScreen()->delegate());
}

TEST(RMMapContentsParts, SettingNoOverlayTakesItOutAndLetsItGo)
{
    MapFixture map;
    std::weak_ptr<platform::Layer> overlay = map.contents->overlay()->shared_from_this();
    map.contents->setOverlay(nullptr);
    EXPECT_TRUE(overlay.expired());
    EXPECT_EQ(2u, map.contents->layer()->sublayers().size());
    EXPECT_EQ(nullptr, map.contents->overlay());
    // The marker manager has nowhere to put markers now, and says so by
    // managing none.
    auto marker = std::make_shared<RMMarker>();
    map.contents->markerManager().addMarker(marker);
    EXPECT_TRUE(map.contents->markerManager().markers().empty());

    auto overlaySet = std::make_shared<RMLayerSet>(map.contents);
    map.contents->setOverlay(overlaySet);
    EXPECT_EQ(overlaySet, map.contents->layer()->sublayers().back());
}

TEST(RMMapContentsParts, TheSameWrappedSourceChangesNothing)
{
    MapFixture map;
    const auto wrapped = map.contents->tileSource();
    const std::size_t requests = map.source->totalRequests();
    const CGRect loaded = map.contents->tileLoader()->loadedBounds();
    map.contents->setTileSource(wrapped);
    EXPECT_EQ(wrapped, map.contents->tileSource());
    EXPECT_EQ(requests, map.source->totalRequests());
    EXPECT_TRUE(CGRectEqualToRect(loaded, map.contents->tileLoader()->loadedBounds()));
}

TEST(RMMapContentsParts, ANewSourceNarrowsTheLimitsAndReloads)
{
    MapFixture map(MapOptions { .zoom = 14 });
    auto narrow = std::make_shared<MemoryTileSource>(false, 3, 12);
    map.contents->setTileSource(withoutCaches(narrow));

    EXPECT_EQ(3.0f, map.contents->minZoom());
    EXPECT_EQ(12.0f, map.contents->maxZoom());
    EXPECT_NEAR(12.0f, map.contents->zoom(), 1e-5);
    EXPECT_GT(narrow->totalRequests(), 0u);
    EXPECT_EQ(narrow->mercatorToTileProjection(), map.contents->mercatorToTileProjection());
    for (const auto& image : map.contents->imagesOnScreen()->images())
        EXPECT_EQ(12, image->tile().zoom);
}

TEST(RMMapContentsParts, TheFrameReachesCameraLayersTilesAndMarkers)
{
    MapFixture map;
    auto marker = std::make_shared<RMMarker>(
        platform::Image::fromQImage(vantry::test::makeSolidImage(9, 9, Qt::red)));
    map.contents->markerManager().addMarkerAtLatLong(marker, map.contents->mapCenter());
    const RMProjectedPoint center = map.contents->mercatorToScreenProjection()->projectedCenter();

    map.view->setFrame(CGRectMake(0, 0, 640, 400));

    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 640, 400), map.contents->screenBounds()));
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 640, 400), map.contents->background()->frame()));
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 640, 400), map.contents->overlay()->frame()));
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 640, 400), map.contents->renderer()->layer()->frame()));
    EXPECT_TRUE(CGRectContainsRect(map.contents->tileLoader()->loadedBounds(), map.contents->screenBounds()));
    // The camera keeps its origin, so the old centre is now elsewhere.
    const CGPoint expected = map.contents->mercatorToScreenProjection()->projectXYPoint(center);
    EXPECT_EQ(expected.x, marker->position().x);
    EXPECT_EQ(expected.y, marker->position().y);
}

TEST(RMMapContentsParts, AMemoryWarningReachesTheTileSource)
{
    MapFixture map;
    platform::postMemoryWarning();
    const auto lines = map.log.take();
    ASSERT_EQ(4u, lines.size());
    EXPECT_TRUE(isTraceLine(lines[0], "didReceiveMemoryWarning", map.contents->description())) << lines[0];
    EXPECT_TRUE(isTraceLine(lines[1], "didReceiveMemoryWarning", map.contents->tileSource()->description()))
        << lines[1];
}

TEST(RMMapContentsParts, TeardownLeavesNoObserverBehindEvenOfALoaderWaitingForResume)
{
    auto& center = platform::NotificationCenter::defaultCenter();
    const std::size_t before = center.observationCount();
    {
        MapFixture map;
        EXPECT_GT(center.observationCount(), before);
        RMMapContents::setPerformExpensiveOperations(false);
        map.contents->moveBy(CGSizeMake(500, 0));
        EXPECT_TRUE(map.contents->tileLoader()->isWaitingForResume());
    }
    EXPECT_EQ(before, center.observationCount());
    RMMapContents::setPerformExpensiveOperations(true);
}

TEST(RMMapContentsSwitch, PostsOnlyChanges)
{
    std::vector<std::string> posted;
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const std::string_view name : { RMSuspendExpensiveOperations, RMResumeExpensiveOperations })
        center.addObserver(&posted, name, RMMapContents::classIdentity(),
            [&posted](const platform::Notification& note) { posted.emplace_back(note.name()); });

    RMMapContents::setPerformExpensiveOperations(false);
    RMMapContents::setPerformExpensiveOperations(false);
    EXPECT_FALSE(RMMapContents::performExpensiveOperations());
    RMMapContents::setPerformExpensiveOperations(true);
    RMMapContents::setPerformExpensiveOperations(true);
    center.removeObserver(&posted);

    EXPECT_THAT(posted, ElementsAre("RMSuspendExpensiveOperations", "RMResumeExpensiveOperations"));
    EXPECT_TRUE(RMMapContents::performExpensiveOperations());
}

} // namespace
