// Touch gestures of the map view, scripted through Qt's touch delivery on
// the test clock: pan, pinch, taps, marker drags, the paused-drag switch
// and the glide.
#include "RMMapView.h"

#include "DelegateRecorder.h"
#include "Label.h"
#include "MapFixture.h"
#include "MapTestPrinters.h"
#include "NotificationCenter.h"
#include "RMMapContents.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"
#include "RMMarkerTouchHandler.h"
#include "RMMercatorToScreenProjection.h"
#include "RMNotifications.h"
#include "TestImages.h"
#include "TouchScript.h"

#include <QCoreApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include <cmath>

using testing::ElementsAre;
using testing::IsEmpty;
using vantry::test::DelegateRecorder;
using vantry::test::LogCapture;
using vantry::test::ManualClock;
using vantry::test::MapFixture;
using vantry::test::MapOptions;
using vantry::test::TouchScript;

namespace {

// Longer than any double-tap interval: the next tap starts a new count.
constexpr double kBetweenTaps = 1.0;

std::shared_ptr<RMMarker> newMarker()
{
    return std::make_shared<RMMarker>(
        platform::Image::fromQImage(vantry::test::makeSolidImage(21, 21, Qt::red)));
}

class GestureTest : public testing::Test {
protected:
    explicit GestureTest(const MapOptions& options = {})
        : map(options)
    {
        map.view->show();
        QCoreApplication::processEvents();
        map.view->setDelegate(&delegate);
    }
    ~GestureTest() override { map.view->setDelegate(nullptr); }

    CGPoint screenOf(RMProjectedPoint point) const
    {
        return map.contents->mercatorToScreenProjection()->projectXYPoint(point);
    }
    RMProjectedPoint under(CGPoint pixel) const
    {
        return map.contents->mercatorToScreenProjection()->projectScreenPointToXY(pixel);
    }
    // A marker at the screen point `at`.
    std::shared_ptr<RMMarker> markerAt(CGPoint at)
    {
        auto marker = newMarker();
        map.contents->markerManager().addMarkerAtLatLong(marker, map.contents->pixelToLatLong(at));
        return marker;
    }

    MapFixture map;
    DelegateRecorder delegate;
    TouchScript script { *map.view, &map.clock };
};

#define EXPECT_AT(expectedX, expectedY, point)                                                               \
    do {                                                                                                     \
        const CGPoint at_ = (point);                                                                         \
        EXPECT_NEAR((expectedX), at_.x, 2e-3);                                                               \
        EXPECT_NEAR((expectedY), at_.y, 2e-3);                                                               \
    } while (false)

// --- Pan and pinch

TEST_F(GestureTest, AOneFingerDragPansByTheFingersStep)
{
    const RMProjectedPoint point = under(CGPointMake(100, 100));
    script.press(0, { 100, 100 }).send();
    EXPECT_THAT(delegate.take(), IsEmpty());
    EXPECT_EQ(1, map.view->lastGesture().numTouches);
    script.move(0, { 110, 105 }).send();
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove"));
    EXPECT_AT(110, 105, screenOf(point));
    script.move(0, { 90, 125 }).send();
    EXPECT_AT(90, 125, screenOf(point));
    EXPECT_AT(90, 125, map.view->lastGesture().center);
}

struct Pinch {
    const char* name;
    QPointF from[2];
    QPointF to[2];
    float factor;
};

// Names the case in test listings (instead of a dump of its bytes).
void PrintTo(const Pinch& c, std::ostream* out)
{
    *out << c.name;
}

class PinchTest : public GestureTest, public testing::WithParamInterface<Pinch> { };

TEST_P(PinchTest, ZoomsByTheSpreadsRatioAboutTheNewCentre)
{
    const Pinch& pinch = GetParam();
    const CGPoint start = CGPointMake(static_cast<float>(pinch.from[0].x() + pinch.from[1].x()) / 2,
        static_cast<float>(pinch.from[0].y() + pinch.from[1].y()) / 2);
    const CGPoint end = CGPointMake(static_cast<float>(pinch.to[0].x() + pinch.to[1].x()) / 2,
        static_cast<float>(pinch.to[0].y() + pinch.to[1].y()) / 2);
    const RMProjectedPoint held = under(start);
    const float zoom = map.contents->zoom();

    script.press(0, pinch.from[0]).press(1, pinch.from[1]).send();
    EXPECT_EQ(2, map.view->lastGesture().numTouches);
    script.move(0, pinch.to[0]).move(1, pinch.to[1]).send();

    EXPECT_THAT(delegate.take(),
        ElementsAre("beforeMapMove", "afterMapMove",
            fmt::format("beforeMapZoom {:g} at {:g},{:g}", pinch.factor, end.x, end.y),
            fmt::format("afterMapZoom {:g} at {:g},{:g}", pinch.factor, end.x, end.y)));
    EXPECT_NEAR(zoom + std::log2(pinch.factor), map.contents->zoom(), 1e-4);
    // What lay between the fingers stays between them.
    EXPECT_AT(end.x, end.y, screenOf(held));
}

INSTANTIATE_TEST_SUITE_P(Spreads, PinchTest,
    testing::Values(Pinch { "apart", { { 110, 240 }, { 210, 240 } }, { { 60, 240 }, { 260, 240 } }, 2 },
        Pinch { "together", { { 60, 100 }, { 260, 100 } }, { { 110, 100 }, { 210, 100 } }, 0.5f },
        Pinch { "apartWhileMoving", { { 100, 200 }, { 180, 200 } }, { { 90, 210 }, { 210, 210 } }, 1.5f }),
    [](const testing::TestParamInfo<Pinch>& info) { return info.param.name; });

TEST_F(GestureTest, AFingerLiftedInTheMovingEventDoesNotMoveTheMap)
{
    script.press(0, { 100, 100 }).press(1, { 200, 100 }).send();
    script.move(0, { 110, 100 }).move(1, { 230, 100 }).send();
    delegate.take();
    const RMProjectedPoint point = under(CGPointMake(110, 100));
    // The moving finger and the lifted one arrive together: the count
    // differs from the last event's, so this event does not move the map.
    script.move(0, { 130, 120 }).release(1).send();
    EXPECT_THAT(delegate.take(), ElementsAre("afterMapTouch"));
    EXPECT_AT(110, 100, screenOf(point));
    EXPECT_EQ(1, map.view->lastGesture().numTouches);
    // The next event pans from where the remaining finger is.
    script.move(0, { 140, 125 }).send();
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove"));
    EXPECT_AT(120, 105, screenOf(point));
}

TEST_F(GestureTest, AFingerAddedDuringADragDoesNotMakeTheMapJump)
{
    script.press(0, { 100, 100 }).send();
    script.move(0, { 110, 100 }).send();
    const RMProjectedPoint point = under(CGPointMake(110, 100));
    const float zoom = map.contents->zoom();
    // The second finger's touch-down comes before the first finger's move:
    // the gesture starts afresh from both fingers, with no step to take.
    script.move(0, { 120, 100 }).press(1, { 220, 100 }).send();
    EXPECT_AT(110, 100, screenOf(point));
    EXPECT_EQ(2, map.view->lastGesture().numTouches);
    EXPECT_NEAR(zoom, map.contents->zoom(), 1e-5);
    // From there the two fingers pan together.
    script.move(0, { 130, 110 }).move(1, { 230, 110 }).send();
    EXPECT_AT(120, 110, screenOf(point));
    EXPECT_NEAR(zoom, map.contents->zoom(), 1e-5);
}

class LockedMapView : public RMMapView {
public:
    using RMMapView::RMMapView;
    void lock(bool dragging, bool zoom)
    {
        enableDragging_ = dragging;
        enableZoom_ = zoom;
    }
};

MapOptions lockable()
{
    MapOptions options;
    options.makeView = [](CGRect frame) { return std::make_unique<LockedMapView>(frame); };
    return options;
}

class LockedGestureTest : public GestureTest {
protected:
    LockedGestureTest()
        : GestureTest(lockable())
    { }
    LockedMapView& view() { return static_cast<LockedMapView&>(*map.view); }
};

TEST_F(LockedGestureTest, EachLockStopsOnlyWhatItLocks)
{
    view().lock(false, true);
    const RMProjectedPoint point = under(CGPointMake(100, 100));
    script.press(0, { 100, 100 }).send();
    script.move(0, { 150, 120 }).send();
    script.press(1, { 200, 200 }).send();
    script.move(0, { 50, 50 }).move(1, { 250, 250 }).send();
    EXPECT_THAT(delegate.take(), IsEmpty()) << "without dragging neither pan nor pinch moves";
    EXPECT_AT(100, 100, screenOf(point));
    EXPECT_NEAR(13, map.contents->zoom(), 1e-5);
    EXPECT_EQ(2, map.view->lastGesture().numTouches);
    script.release(0).release(1).send();
    delegate.take();

    view().lock(true, false);
    script.press(0, { 100, 100 }).press(1, { 200, 100 }).send();
    script.move(0, { 50, 110 }).move(1, { 250, 110 }).send();
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove"))
        << "without zoom two fingers only pan";
    EXPECT_NEAR(13, map.contents->zoom(), 1e-5);
}

// Two fingers on one spot have no spread to compare: the error is reported
// and the event only pans; the zoom resumes once both spreads are real.
TEST_F(GestureTest, CoincidentFingersReportTheErrorAndOnlyPan)
{
    const RMProjectedPoint point = under(CGPointMake(100, 100));
    script.press(0, { 100, 100 }).press(1, { 100, 100 }).send();
    EXPECT_EQ(0.0f, map.view->lastGesture().averageDistanceFromCenter);
    script.move(0, { 110, 100 }).move(1, { 110, 100 }).send();
    EXPECT_THAT(map.log.take(), ElementsAre("Distance from center is zero despite >1 touches on the screen"));
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove"));
    EXPECT_AT(110, 100, screenOf(point));
    EXPECT_NEAR(13, map.contents->zoom(), 1e-5);

    script.move(0, { 100, 100 }).move(1, { 120, 100 }).send();
    EXPECT_THAT(map.log.take(), ElementsAre("Distance from center is zero despite >1 touches on the screen"));
    EXPECT_NEAR(13, map.contents->zoom(), 1e-5);

    script.move(0, { 90, 100 }).move(1, { 130, 100 }).send();
    EXPECT_THAT(map.log.take(), IsEmpty());
    EXPECT_NEAR(14, map.contents->zoom(), 1e-4);
}

// --- Taps

TEST_F(GestureTest, ADoubleTapWithoutTheDelegatesOperationZoomsInAnimatedUnlessAtTheDeepestLevel)
{
    class ZoomListener : public RMMapViewDelegate, public RMMapViewDelegate::AfterMapZoomByFactor {
    public:
        void afterMapZoomByFactorNear(RMMapView&, float level, CGPoint) override { levels.push_back(level); }
        std::vector<float> levels;
    } listener;
    map.view->setDelegate(&listener);
    map.contents->setZoom(12.3f);
    const RMProjectedPoint point = under(CGPointMake(80, 300));
    script.tap({ 80, 300 });
    script.tap({ 80, 300 });
    EXPECT_EQ(1u, map.contents->zoomAnimationCount());
    map.clock.advance(1);
    EXPECT_NEAR(13, map.contents->zoom(), 1e-4);
    EXPECT_AT(80, 300, screenOf(point));
    EXPECT_THAT(listener.levels, ElementsAre(testing::FloatNear(13, 1e-4)));

    // At the deepest level there is no next level to zoom to.
    map.contents->setZoom(17.2f);
    ASSERT_EQ(0.0f, map.contents->nextNativeZoomFactor());
    script.wait(kBetweenTaps);
    script.tap({ 80, 300 });
    script.tap({ 80, 300 });
    EXPECT_EQ(0u, map.contents->zoomAnimationCount());
    EXPECT_NEAR(17.2f, map.contents->zoom(), 1e-4);
}

TEST_F(GestureTest, ADoubleTapWithTheDelegatesOperationLeavesTheZoomToIt)
{
    script.tap({ 80, 300 });
    script.tap({ 82, 301 });
    EXPECT_THAT(delegate.take(),
        ElementsAre("singleTap at 80,300", "afterMapTouch", "doubleTap at 82,301", "afterMapTouch"));
    EXPECT_EQ(0u, map.contents->zoomAnimationCount());
    EXPECT_NEAR(13, map.contents->zoom(), 1e-5);
}

TEST_F(GestureTest, SingleTapsOnTheMapOnAMarkerAndOnItsLabel)
{
    const auto marker = markerAt(CGPointMake(160, 240));
    marker->changeLabelUsingText("label text");
    const CGRect label = marker->labelView()->frame();
    const CGRect image = marker->frame();
    // Below the picture, on the label.
    const QPointF onLabel(image.origin.x + label.origin.x + label.size.width / 2,
        image.origin.y + label.origin.y + label.size.height - 2);
    ASSERT_GT(onLabel.y(), image.origin.y + image.size.height);

    script.tap({ 40, 40 });
    EXPECT_THAT(delegate.take(), ElementsAre("singleTap at 40,40", "afterMapTouch"));
    script.wait(kBetweenTaps);
    script.tap(onLabel);
    EXPECT_THAT(delegate.take(), ElementsAre("tapOnLabel", "afterMapTouch"));
    EXPECT_EQ(marker, delegate.tappedMarker);
    marker->hideLabel();
    script.wait(kBetweenTaps);
    script.tap({ 160, 240 });
    EXPECT_THAT(delegate.take(), ElementsAre("tapOnMarker", "afterMapTouch"));
    EXPECT_EQ(marker, delegate.tappedMarker);
    // The hidden label is not there to be hit.
    script.wait(kBetweenTaps);
    script.tap(onLabel);
    EXPECT_THAT(delegate.take(), ElementsAre(testing::StartsWith("singleTap at"), "afterMapTouch"));
}

TEST_F(GestureTest, ATapThatHitsNothingSendsOnlyTheEndOfTheTouch)
{
    map.contents->markerManager().hideAllMarkers();
    script.tap({ 40, 40 });
    EXPECT_THAT(delegate.take(), ElementsAre("afterMapTouch"));
}

// --- Markers

class MarkerTouches : public RMMarker, public RMMarkerTouchHandler {
public:
    using RMMarker::RMMarker;
    void touchesBegan(const std::vector<platform::Touch*>&, const platform::Event&) override
    {
        calls.push_back("began");
    }
    void touchesMoved(const std::vector<platform::Touch*>&, const platform::Event&) override
    {
        calls.push_back("moved");
    }
    void touchesEnded(const std::vector<platform::Touch*>&, const platform::Event&) override
    {
        calls.push_back("ended");
    }
    void touchesCancelled(const std::vector<platform::Touch*>&, const platform::Event&) override
    {
        calls.push_back("cancelled");
    }
    std::vector<std::string> calls;
};

TEST_F(GestureTest, AMarkerThatHandlesTouchesGetsThemInsteadOfTheMap)
{
    auto marker = std::make_shared<MarkerTouches>(
        platform::Image::fromQImage(vantry::test::makeSolidImage(41, 41, Qt::blue)));
    map.contents->markerManager().addMarkerAtLatLong(
        marker, map.contents->pixelToLatLong(CGPointMake(160, 240)));
    script.press(0, { 160, 240 }).send();
    script.move(0, { 165, 245 }).send();
    script.release(0).send();
    EXPECT_THAT(marker->calls, ElementsAre("began", "moved", "ended"));
    EXPECT_THAT(delegate.take(), IsEmpty());
    EXPECT_TRUE(RMMapContents::performExpensiveOperations());
}

TEST_F(GestureTest, AFingerOnADraggableMarkerDragsItAndNeverPans)
{
    const auto marker = markerAt(CGPointMake(160, 240));
    delegate.onDrag = [this](RMMarker& dragged, const platform::Event& event) {
        map.contents->markerManager().moveMarkerAtXY(
            dragged, event.allTouches().front()->locationInView(map.view.get()));
    };
    const RMProjectedPoint ground = under(CGPointMake(40, 40));
    script.press(0, { 160, 240 }).send();
    const RMGestureDetails atStart = map.view->lastGesture();
    for (int step = 1; step <= 5; ++step)
        script.move(0, QPointF(160 + 30 * step, 240)).send();
    EXPECT_THAT(delegate.take(),
        ElementsAre("shouldDrag", "didDrag", "shouldDrag", "didDrag", "shouldDrag", "didDrag", "shouldDrag",
            "didDrag", "shouldDrag", "didDrag"));
    EXPECT_EQ(marker, delegate.draggedMarker);
    EXPECT_AT(40, 40, screenOf(ground));
    EXPECT_AT(310, 240, marker->position());
    EXPECT_AT(atStart.center.x, atStart.center.y, map.view->lastGesture().center);
}

// The delegate moves the marker behind the finger; a finger that outruns it
// in one event keeps the marker it took instead of dropping it and
// dragging the map.
TEST_F(GestureTest, AFingerThatOutrunsItsMarkerKeepsDraggingIt)
{
    const auto marker = markerAt(CGPointMake(160, 240));
    const RMProjectedPoint ground = under(CGPointMake(40, 40));
    script.press(0, { 160, 240 }).send();
    script.move(0, { 165, 240 }).send();
    script.move(0, { 260, 300 }).send();
    EXPECT_THAT(delegate.take(), ElementsAre("shouldDrag", "didDrag", "shouldDrag", "didDrag"));
    EXPECT_AT(40, 40, screenOf(ground));
}

TEST_F(GestureTest, AMarkerTheDelegateWillNotDragLetsTheMapPan)
{
    markerAt(CGPointMake(160, 240));
    delegate.allowDrag = false;
    const RMProjectedPoint ground = under(CGPointMake(40, 40));
    script.press(0, { 160, 240 }).send();
    script.move(0, { 170, 250 }).send();
    EXPECT_THAT(delegate.take(), ElementsAre("shouldDrag", "beforeMapMove", "afterMapMove"));
    EXPECT_AT(50, 50, screenOf(ground));
}

TEST_F(GestureTest, WithoutADragOperationTheMapPansUnderMarkers)
{
    class Asker : public RMMapViewDelegate, public RMMapViewDelegate::ShouldDragMarker {
    public:
        bool mapViewShouldDragMarkerWithEvent(
            RMMapView&, const std::shared_ptr<RMMarker>&, const platform::Event&) override
        {
            ++asked;
            return true;
        }
        int asked = 0;
    } asker;
    map.view->setDelegate(&asker);
    markerAt(CGPointMake(160, 240));
    const RMProjectedPoint ground = under(CGPointMake(40, 40));
    script.press(0, { 160, 240 }).send();
    script.move(0, { 170, 250 }).send();
    EXPECT_EQ(1, asker.asked);
    EXPECT_AT(50, 50, screenOf(ground));
}

// A drag leaves the gesture record where it began; when the delegate stops
// the drag and the map takes over, the map must start from the finger, not
// jump by the whole drag.
TEST_F(GestureTest, TheMapTakingOverFromAMarkerDragDoesNotJump)
{
    markerAt(CGPointMake(160, 240));
    script.press(0, { 160, 240 }).send();
    script.move(0, { 200, 240 }).send();
    script.move(0, { 240, 240 }).send();
    delegate.allowDrag = false;
    const RMProjectedPoint ground = under(CGPointMake(40, 40));
    script.move(0, { 250, 240 }).send();
    EXPECT_AT(40, 40, screenOf(ground));
    script.move(0, { 260, 250 }).send();
    EXPECT_AT(50, 50, screenOf(ground));
}

TEST_F(GestureTest, NoGlideAfterAMarkerDrag)
{
    map.view->setDeceleration(true);
    markerAt(CGPointMake(160, 240));
    script.press(0, { 160, 240 }).send();
    script.move(0, { 200, 260 }).send();
    script.release(0).send();
    EXPECT_FALSE(map.view->isDecelerating());
}

// --- Expensive operations

TEST_F(GestureTest, ExpensiveOperationsAreOffWhileFingersMoveAndBackAfterAPause)
{
    int suspended = 0;
    int resumed = 0;
    auto& centre = platform::NotificationCenter::defaultCenter();
    centre.addObserver(
        this, RMSuspendExpensiveOperations, nullptr, [&](const platform::Notification&) { ++suspended; });
    centre.addObserver(
        this, RMResumeExpensiveOperations, nullptr, [&](const platform::Notification&) { ++resumed; });

    script.press(0, { 100, 100 }).send();
    EXPECT_FALSE(RMMapContents::performExpensiveOperations());
    script.wait(0.2);
    script.move(0, { 120, 100 }).send();
    script.wait(0.29);
    EXPECT_FALSE(RMMapContents::performExpensiveOperations()) << "each move re-arms the 0.3 s";
    script.wait(0.02);
    EXPECT_TRUE(RMMapContents::performExpensiveOperations()) << "the fingers rested for 0.3 s";
    // Moving again does not switch them off for the rest of the sequence.
    script.move(0, { 140, 100 }).send();
    EXPECT_TRUE(RMMapContents::performExpensiveOperations());
    // A second finger is no new sequence either.
    script.press(1, { 200, 200 }).send();
    EXPECT_TRUE(RMMapContents::performExpensiveOperations());
    script.release(0).release(1).send();
    EXPECT_TRUE(RMMapContents::performExpensiveOperations());
    EXPECT_EQ(1, suspended);
    EXPECT_EQ(1, resumed);

    script.press(0, { 100, 100 }).send();
    EXPECT_FALSE(RMMapContents::performExpensiveOperations());
    script.move(0, { 110, 100 }).send();
    script.release(0).send();
    EXPECT_TRUE(RMMapContents::performExpensiveOperations()) << "at once when the last finger lifts";
    EXPECT_EQ(0u, map.clock.pendingTimerCount()) << "no pause call left waiting";
    EXPECT_EQ(2, suspended);
    EXPECT_EQ(2, resumed);
    centre.removeObserver(this);
}

TEST_F(GestureTest, ACancelledSequenceSwitchesExpensiveOperationsBackOn)
{
    script.press(0, { 100, 100 }).send();
    script.move(0, { 130, 100 }).send();
    script.cancel();
    EXPECT_TRUE(RMMapContents::performExpensiveOperations());
    EXPECT_EQ(0, map.view->lastGesture().numTouches);
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove", "afterMapTouch"));
}

// --- Glide

TEST_F(GestureTest, AFlickGlidesSlowingByTheFactorThenReportsOneZeroMove)
{
    map.view->setDeceleration(true);
    const RMProjectedPoint point = under(CGPointMake(100, 100));
    script.press(0, { 100, 100 }).send();
    script.move(0, { 130, 102 }).send();
    script.release(0).send();
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove", "afterMapTouch"));
    ASSERT_TRUE(map.view->isDecelerating());

    // The steps the glide should take, in the view's float arithmetic.
    std::vector<float> steps;
    CGSize delta = CGSizeMake(30, 2);
    while (!(std::abs(delta.width) < 0.01f && std::abs(delta.height) < 0.01f)) {
        steps.push_back(delta.width);
        delta.width *= 0.88f;
        delta.height *= 0.88f;
    }
    ASSERT_EQ(63u, steps.size());
    float x = screenOf(point).x;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        map.clock.advance(0.01);
        const float now = screenOf(point).x;
        EXPECT_NEAR(steps[i], now - x, 2e-3) << "step " << i;
        x = now;
        EXPECT_THAT(delegate.take(), IsEmpty()) << "glide steps move the contents directly";
    }
    EXPECT_TRUE(map.view->isDecelerating());
    map.clock.advance(0.01);
    EXPECT_FALSE(map.view->isDecelerating());
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove"));
    EXPECT_NEAR(x, screenOf(point).x, 1e-4) << "the last report moves nothing";
    EXPECT_EQ(0u, map.clock.pendingTimerCount());
}

struct Flick {
    float dx;
    float dy;
    bool glides;
};

class FlickTest : public GestureTest, public testing::WithParamInterface<Flick> { };

TEST_P(FlickTest, GlidesOnlyWhenBothAxesMoveAPoint)
{
    map.view->setDeceleration(true);
    script.press(0, { 100, 100 }).send();
    script.move(0, QPointF(100 + GetParam().dx, 100 + GetParam().dy)).send();
    script.release(0).send();
    EXPECT_EQ(GetParam().glides, map.view->isDecelerating());
}

INSTANTIATE_TEST_SUITE_P(Deltas, FlickTest,
    testing::Values(Flick { 30, 0.5f, false }, Flick { 30, 2, true }, Flick { -30, -1, true },
        Flick { 0.5f, 30, false }, Flick { -12, 1.5f, true }));

TEST_F(GestureTest, NoGlideWithoutDecelerationOrAfterTwoFingers)
{
    script.press(0, { 100, 100 }).send();
    script.move(0, { 130, 120 }).send();
    script.release(0).send();
    EXPECT_FALSE(map.view->isDecelerating());

    map.view->setDeceleration(true);
    script.press(0, { 100, 100 }).press(1, { 200, 200 }).send();
    script.move(0, { 130, 120 }).move(1, { 230, 220 }).send();
    script.release(0).release(1).send();
    EXPECT_FALSE(map.view->isDecelerating());
}

TEST_F(GestureTest, NoGlideWhenTheFingerRestedBeforeLifting)
{
    map.view->setDeceleration(true);
    script.press(0, { 100, 100 }).send();
    script.move(0, { 130, 120 }).send();
    map.clock.advance(0.5);
    script.release(0).send();
    EXPECT_FALSE(map.view->isDecelerating());
}

TEST_F(GestureTest, ANewTouchStopsTheGlideAtOnce)
{
    map.view->setDeceleration(true);
    script.press(0, { 100, 100 }).send();
    script.move(0, { 130, 120 }).send();
    script.release(0).send();
    map.clock.advance(0.05);
    delegate.take();
    script.press(0, { 50, 50 }).send();
    EXPECT_FALSE(map.view->isDecelerating());
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove"));
    const RMProjectedPoint point = under(CGPointMake(50, 50));
    map.clock.advance(1);
    EXPECT_AT(50, 50, screenOf(point));
}

TEST_F(GestureTest, AHiddenWindowStopsItsGlide)
{
    map.view->setDeceleration(true);
    script.press(0, { 100, 100 }).send();
    script.move(0, { 130, 120 }).send();
    script.release(0).send();
    delegate.take();
    map.view->hide();
    EXPECT_FALSE(map.view->isDecelerating());
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove"));
}

// --- Views that go away

class ViewLifetimeTest : public testing::Test {
protected:
    ViewLifetimeTest()
    {
        view = std::make_unique<RMMapView>(CGRectMake(0, 0, 320, 480));
        vantry::test::memoryContentsFor(*view);
        view->show();
        QCoreApplication::processEvents();
        view->setDelegate(&delegate);
    }
    ~ViewLifetimeTest() override
    {
        view.reset();
        log.take();
    }

    ManualClock clock;
    LogCapture log;
    DelegateRecorder delegate;
    std::unique_ptr<RMMapView> view;
};

TEST_F(ViewLifetimeTest, NoTimerCallsADestroyedView)
{
    view->setDeceleration(true);
    TouchScript script { *view, &clock };
    script.press(0, { 100, 100 }).send();
    script.move(0, { 130, 120 }).send();
    script.release(0).send();
    ASSERT_TRUE(view->isDecelerating());
    // A double tap's animated zoom calls back when it ends.
    script.wait(kBetweenTaps);
    view->zoomByFactorNearAnimated(2, CGPointMake(10, 10), true);
    // A pause call waits while a finger rests.
    script.press(1, { 10, 10 }).send();
    view.reset();
    EXPECT_EQ(0u, clock.pendingTimerCount());
    clock.advance(2);
    EXPECT_TRUE(RMMapContents::performExpensiveOperations()) << "the cut-short sequence gave the switch back";
}

TEST_F(ViewLifetimeTest, ADelegateMayDestroyTheViewWhenAMarkerIsTapped)
{
    auto marker = newMarker();
    view->markerManager().addMarkerAtLatLong(marker, view->pixelToLatLong(CGPointMake(160, 240)));
    TouchScript script { *view, &clock };
    delegate.trigger = "tapOnMarker";
    delegate.onTrigger = [this](RMMapView&) { view.reset(); };
    script.tap({ 160, 240 });
    EXPECT_EQ(nullptr, view);
    EXPECT_THAT(delegate.take(), ElementsAre("tapOnMarker"));
    EXPECT_TRUE(RMMapContents::performExpensiveOperations());
}

TEST_F(ViewLifetimeTest, ADelegateMayDestroyTheViewWhileAFingerMoves)
{
    TouchScript script { *view, &clock };
    script.press(0, { 100, 100 }).send();
    delegate.trigger = "afterMapMove";
    delegate.onTrigger = [this](RMMapView&) { view.reset(); };
    script.move(0, { 120, 100 }).send();
    EXPECT_EQ(nullptr, view);
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove"));
    EXPECT_TRUE(RMMapContents::performExpensiveOperations());
    clock.advance(1);
}

TEST_F(ViewLifetimeTest, ADelegateMayDestroyTheViewAtTheEndOfAGlide)
{
    view->setDeceleration(true);
    TouchScript script { *view, &clock };
    script.press(0, { 100, 100 }).send();
    script.move(0, { 130, 120 }).send();
    script.release(0).send();
    delegate.take();
    delegate.trigger = "afterMapMove";
    delegate.onTrigger = [this](RMMapView&) { view.reset(); };
    clock.advance(2);
    EXPECT_EQ(nullptr, view);
    EXPECT_THAT(delegate.take(), ElementsAre("beforeMapMove", "afterMapMove"));
}

// --- Desktop input

TEST_F(GestureTest, TheWheelZoomsByWholeLevelsAboutThePointer)
{
    map.contents->setZoom(12.6f);
    const RMProjectedPoint point = under(CGPointMake(80, 300));
    EXPECT_TRUE(script.wheel({ 80, 300 }, QPoint(0, 120)));
    map.clock.advance(1);
    EXPECT_NEAR(14, map.contents->zoom(), 1e-4) << "one level in from 12.6 is round(13.6)";
    EXPECT_AT(80, 300, screenOf(point));
    EXPECT_THAT(delegate.take(),
        ElementsAre(testing::MatchesRegex("beforeMapZoom 2\\.6390. at 80,300"), "afterMapZoom 14 at 80,300"));

    // Two notches in quick succession: two levels.
    script.wheel({ 80, 300 }, QPoint(0, -120));
    map.clock.advance(0.03);
    script.wheel({ 80, 300 }, QPoint(0, -120));
    map.clock.advance(1);
    EXPECT_NEAR(12, map.contents->zoom(), 1e-4);
    EXPECT_AT(80, 300, screenOf(point));
}

TEST_F(GestureTest, TouchpadStepsAddUpToANotchAndTheWheelStaysStrictlyInsideTheLimits)
{
    for (int step = 0; step < 7; ++step)
        script.wheel({ 80, 300 }, QPoint(0, 15));
    map.clock.advance(1);
    EXPECT_NEAR(13, map.contents->zoom(), 1e-5);
    script.wheel({ 80, 300 }, QPoint(0, 15));
    map.clock.advance(1);
    EXPECT_NEAR(14, map.contents->zoom(), 1e-4);

    map.contents->setZoom(16.6f);
    script.wheel({ 80, 300 }, QPoint(0, 120 * 3));
    map.clock.advance(1);
    EXPECT_NEAR(17, map.contents->zoom(), 1e-4);
    script.wheel({ 80, 300 }, QPoint(0, 120));
    map.clock.advance(1);
    EXPECT_NEAR(17, map.contents->zoom(), 1e-4);
}

TEST_F(GestureTest, KeysZoomAboutTheCentreAndPan)
{
    const RMProjectedPoint centre = under(CGPointMake(160, 240));
    EXPECT_TRUE(script.keyPress(Qt::Key_Plus));
    map.clock.advance(1);
    EXPECT_NEAR(14, map.contents->zoom(), 1e-4);
    EXPECT_AT(160, 240, screenOf(centre));
    script.keyPress(Qt::Key_Minus);
    map.clock.advance(1);
    EXPECT_NEAR(13, map.contents->zoom(), 1e-4);
    delegate.take();

    script.keyPress(Qt::Key_Left);
    EXPECT_AT(240, 240, screenOf(centre));
    script.keyPress(Qt::Key_Up);
    EXPECT_AT(240, 320, screenOf(centre));
    script.keyPress(Qt::Key_Right);
    script.keyPress(Qt::Key_Down);
    EXPECT_AT(160, 240, screenOf(centre));
    EXPECT_EQ(8u, delegate.take().size());
    EXPECT_FALSE(script.keyPress(Qt::Key_A));
}

} // namespace
