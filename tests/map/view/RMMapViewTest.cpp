// The map view as the contents' owner and facade: trace lines, setup,
// frames, the delegate's capabilities and the delegate calls around moves
// and zooms.
#include "RMMapView.h"
#include "NoDownloads.h"

#include "DelegateRecorder.h"
#include "MapFixture.h"
#include "MapTestPrinters.h"
#include "RMLayerSet.h"
#include "RMMapContents.h"
#include "RMMercatorToScreenProjection.h"

#include <QCoreApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::ElementsAre;
using vantry::test::DelegateRecorder;
using vantry::test::LogCapture;
using vantry::test::ManualClock;
using vantry::test::MapFixture;
using vantry::test::MapOptions;
using vantry::test::viewTraceLine;

namespace {

TEST(RMMapViewTest, TraceLinesOfConstructionAndTeardown)
{
    LogCapture log;
    {
        RMMapView view(CGRectMake(10, 20, 320, 460));
        EXPECT_EQ("MapView at 0,0-320,460", view.description());
        view.setFrame(CGRectMake(7, 8, 100.4f, 50.6f));
        EXPECT_EQ("MapView at 0,0-100,51", view.description());
        view.setFrame(CGRectMake(10, 20, 320, 460));
        EXPECT_THAT(log.take(),
            ElementsAre("initWithFrame: logged method call: -[MapView at 0,0-0,0 initWithFrame:] (line 77)",
                "performInitialSetup logged method call: -[MapView at 0,0-320,460 performInitialSetup] (line "
                "58)"));
    }
    // Without contents there are none to let go, and no new setup.
    EXPECT_THAT(
        log.take(), ElementsAre("dealloc logged method call: -[MapView at 0,0-320,460 dealloc] (line 119)"));
}

TEST(RMMapViewTest, TheOldInitialiserWarnsThenMovesToItsLocation)
{
    ManualClock clock;
    LogCapture log;
    // The OpenStreetMap source it makes must not reach for the network.
    const vantry::test::NoDownloads noDownloads;
    auto view = std::make_unique<RMMapView>(CGRectMake(0, 0, 320, 460), RMLatLong { 51.5, -0.12 });
    const auto lines = log.take();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ("***** WARNING: initWithFrame:WithLocation: deprecated method call: "
              "-[MapView at 0,0-0,0 initWithFrame:WithLocation:] (line 87)",
        lines[0]);
    EXPECT_EQ(viewTraceLine("initWithFrame:WithLocation:", "MapView at 0,0-0,0", 88), lines[1]);
    EXPECT_EQ(viewTraceLine("initWithFrame:", "MapView at 0,0-0,0", 77), lines[2]);
    EXPECT_EQ(viewTraceLine("performInitialSetup", "MapView at 0,0-320,460", 58), lines[3]);
    EXPECT_TRUE(view->hasContents());
    EXPECT_NEAR(51.5, view->contents().mapCenter().latitude, 1e-6);
    EXPECT_NEAR(-0.12, view->contents().mapCenter().longitude, 1e-6);
    view.reset();
    log.take();
}

TEST(RMMapViewTest, GlideFactorsThatWouldNeverEndAreRefused)
{
    MapFixture map;
    for (const float refused : { 1.0f, 1.5f, -0.1f, std::numeric_limits<float>::quiet_NaN() }) {
        map.view->setDecelerationFactor(refused);
        EXPECT_EQ(0.88f, map.view->decelerationFactor()) << refused;
    }
    map.view->setDecelerationFactor(0);
    EXPECT_EQ(0.0f, map.view->decelerationFactor());
}

TEST(RMMapViewTest, NewContentsReplaceTheOldAndResetTheSetup)
{
    MapFixture map;
    EXPECT_EQ(platform::Color::gray(), map.view->backgroundColor());
    EXPECT_EQ(0, map.view->lastGesture().numTouches);
    EXPECT_EQ(&map.contents->markerManager(), &map.view->markerManager());
    map.view->setDeceleration(true);
    map.view->setDecelerationFactor(0.5f);
    map.view->setMultipleTouchEnabled(false);
    const std::string oldDescription = map.contents->description();
    auto other = RMMapContents::createForViewWithTileSourceWithRendererLookingAt(
        map.view.get(), vantry::test::withoutCaches(map.source), nullptr, RMLatLong { 1, 2 });
    map.log.take();
    map.view->setContents(other);
    EXPECT_THAT(map.log.take(),
        ElementsAre(testing::Truly([&](const std::string& line) {
            return vantry::test::isTraceLine(line, "dealloc", oldDescription);
        }),
            viewTraceLine("performInitialSetup", "MapView at 0,0-320,480", 58)));
    map.contents = &map.view->contents();
    EXPECT_NEAR(1, map.contents->mapCenter().latitude, 1e-6);
    EXPECT_FALSE(map.view->deceleration());
    EXPECT_EQ(0.88f, map.view->decelerationFactor());
    EXPECT_TRUE(map.view->isMultipleTouchEnabled());
    EXPECT_EQ(&map.contents->markerManager(), &map.view->markerManager());

    // The same contents again change nothing.
    map.view->setContents(other);
    EXPECT_TRUE(map.log.take().empty());
}

TEST(RMMapViewTest, PassesOnlyRealFrameChangesToItsContents)
{
    MapFixture map;
    map.view->setFrame(CGRectMake(0, 0, 320, 480));
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 320, 480), map.contents->screenBounds()));
    map.view->setFrame(CGRectMake(5, 6, 100, 200));
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 100, 200), map.contents->screenBounds()));
    // The root layer stays where the view draws it.
    EXPECT_EQ(0, map.view->layer().position().x);
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 100, 200), map.view->layer().bounds()));
}

// A window resized by the user (or its window manager) never goes through
// setFrame; the map must still fill it.
TEST(RMMapViewTest, ResizingTheWidgetReachesTheContents)
{
    MapFixture map;
    map.view->show();
    QCoreApplication::processEvents();
    const RMLatLong centre = map.contents->mapCenter();
    map.view->resize(640, 300);
    QCoreApplication::processEvents();
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 640, 300), map.contents->screenBounds()));
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 640, 300), map.contents->overlay()->frame()));
    // The camera keeps its origin: the map grows to the right and down.
    const CGPoint corner = map.contents->latLongToPixel(centre);
    EXPECT_NEAR(160, corner.x, 1e-3);
    EXPECT_NEAR(60, corner.y, 1e-3);
}

TEST(RMMapViewTest, PassesMemoryWarningsOn)
{
    MapFixture map;
    map.view->didReceiveMemoryWarning();
    const auto lines = map.log.take();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ("didReceiveMemoryWarning logged method call: -[MapView at 0,0-320,480 didReceiveMemoryWarning] "
              "(line 539)",
        lines[0]);
    EXPECT_TRUE(vantry::test::isTraceLine(lines[1], "didReceiveMemoryWarning", map.contents->description()));
}

// --- Delegate capabilities

class TapsOnly : public RMMapViewDelegate, public RMMapViewDelegate::TapOnMarker {
public:
    void tapOnMarkerOnMap(const std::shared_ptr<RMMarker>&, RMMapView&) override { }
};

TEST(RMMapViewTest, CapabilitiesAreTheOperationsTheDelegateImplements)
{
    using Operations = RMMapViewDelegate::Operations;
    MapFixture map;
    EXPECT_EQ(0u, map.view->delegateOperations().implementedCount());

    TapsOnly taps;
    map.view->setDelegate(&taps);
    EXPECT_EQ(1u, map.view->delegateOperations().implementedCount());
    EXPECT_TRUE(map.view->delegateOperations().implements<RMMapViewDelegate::TapOnMarker>());
    EXPECT_EQ(&taps, map.view->delegate());

    DelegateRecorder everything;
    map.view->setDelegate(&everything);
    EXPECT_EQ(11u, Operations::size);
    EXPECT_EQ(Operations::size, map.view->delegateOperations().implementedCount());

    map.view->setDelegate(nullptr);
    EXPECT_EQ(0u, map.view->delegateOperations().implementedCount());
}

// --- Facade

class RMMapViewFacadeTest : public testing::Test {
protected:
    RMMapViewFacadeTest() { map.view->setDelegate(&delegate); }

    // Where a projected point is on screen now.
    CGPoint screenOf(RMProjectedPoint point) const
    {
        return map.contents->mercatorToScreenProjection()->projectXYPoint(point);
    }
    RMProjectedPoint under(CGPoint pixel) const
    {
        return map.contents->mercatorToScreenProjection()->projectScreenPointToXY(pixel);
    }

    MapFixture map;
    DelegateRecorder delegate;
};

TEST_F(RMMapViewFacadeTest, MovesAreFramedByTheDelegate)
{
    const RMProjectedPoint point = under(CGPointMake(100, 100));
    map.view->moveBy(CGSizeMake(10, 5));
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove"));
    const CGPoint moved = screenOf(point);
    EXPECT_NEAR(110, moved.x, 1e-3);
    EXPECT_NEAR(105, moved.y, 1e-3);

    map.view->moveToLatLong(RMLatLong { 51.6, -0.2 });
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove"));
    EXPECT_NEAR(51.6, map.contents->mapCenter().latitude, 1e-6);

    map.view->moveToProjectedPoint(point);
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove"));
    const CGPoint centred = screenOf(point);
    EXPECT_NEAR(160, centred.x, 1e-3);
    EXPECT_NEAR(240, centred.y, 1e-3);
}

TEST_F(RMMapViewFacadeTest, ZoomsAreFramedByTheDelegate)
{
    map.view->zoomByFactorNear(2, CGPointMake(40, 60));
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapZoom 2 at 40,60", "afterMapZoom 2 at 40,60"));
    EXPECT_NEAR(14, map.contents->zoom(), 1e-4);
}

TEST_F(RMMapViewFacadeTest, AnAnimatedZoomReportsItsEndWithTheTargetLevel)
{
    map.view->zoomByFactorNearAnimated(4, CGPointMake(40, 60), true);
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapZoom 4 at 40,60"));
    map.clock.advance(1);
    EXPECT_THAT(delegate.take(), ElementsAre("afterMapZoom 15 at 40,60"));
    EXPECT_NEAR(15, map.contents->zoom(), 1e-4);
}

TEST(RMMapViewLifetimeTest, ADelegateMayDestroyTheViewBeforeTheMove)
{
    ManualClock clock;
    LogCapture log;
    DelegateRecorder delegate;
    auto view = std::make_unique<RMMapView>(CGRectMake(0, 0, 320, 480));
    vantry::test::memoryContentsFor(*view);
    view->setDelegate(&delegate);
    delegate.trigger = "beforeMapMove";
    delegate.onTrigger = [&view](RMMapView&) { view.reset(); };
    view->moveBy(CGSizeMake(1, 1));
    EXPECT_EQ(nullptr, view);
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove"));
    log.take();
}

// The contents may outlive their view (someone else holds them): their
// running zoom must not call back into the view that is gone.
TEST(RMMapViewLifetimeTest, ContentsOutlivingTheViewDoNotCallItBack)
{
    ManualClock clock;
    LogCapture log;
    DelegateRecorder delegate;
    auto view = std::make_unique<RMMapView>(CGRectMake(0, 0, 320, 480));
    std::shared_ptr<RMMapContents> contents = vantry::test::memoryContentsFor(*view);
    view->setDelegate(&delegate);
    view->zoomByFactorNearAnimated(2, CGPointMake(5, 5), true);
    view.reset();
    clock.advance(1);
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapZoom 2 at 5,5"));
    EXPECT_NEAR(14, contents->zoom(), 1e-4);
    contents.reset();
    log.take();
}

} // namespace
