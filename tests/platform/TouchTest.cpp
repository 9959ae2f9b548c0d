#include "Touch.h"
#include "Event.h"
#include "ManualClock.h"
#include "TouchScript.h"
#include "TouchTracker.h"
#include "View.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QStyleHints>
#include <QtGui/qtestsupport_gui.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using platform::Event;
using platform::Touch;
using platform::TouchPhase;
using platform::TouchTracker;
using platform::View;
using vantry::test::ManualClock;
using vantry::test::TouchScript;

namespace {

// A touch as a handler saw it.
struct Seen {
    const Touch* touch;
    CGPoint location;
    CGPoint previous;
    TouchPhase phase;
    int tapCount;
    double timestamp;
};

struct Call {
    std::string handler;
    std::vector<Seen> touches;
    std::vector<Seen> all;
    double timestamp;
};

class RecordingView : public View {
public:
    using View::View;

    void touchesBegan(const std::vector<Touch*>& touches, const Event& event) override
    {
        record("began", touches, event);
    }
    void touchesMoved(const std::vector<Touch*>& touches, const Event& event) override
    {
        record("moved", touches, event);
    }
    void touchesEnded(const std::vector<Touch*>& touches, const Event& event) override
    {
        record("ended", touches, event);
    }
    void touchesCancelled(const std::vector<Touch*>& touches, const Event& event) override
    {
        record("cancelled", touches, event);
    }

    // The handlers called since the last call, e.g. "began moved".
    std::string takeHandlers()
    {
        std::string names;
        for (const Call& call : calls)
            names += (names.empty() ? "" : " ") + call.handler;
        seen.insert(seen.end(), calls.begin(), calls.end());
        calls.clear();
        return names;
    }

    std::vector<Call> calls;
    std::vector<Call> seen;

private:
    Seen see(const Touch* touch) const
    {
        return Seen { touch, touch->locationInView(this), touch->previousLocationInView(this), touch->phase(),
            touch->tapCount(), touch->timestamp() };
    }

    void record(const char* handler, const std::vector<Touch*>& touches, const Event& event)
    {
        Call call { handler, {}, {}, event.timestamp() };
        for (const Touch* touch : touches)
            call.touches.push_back(see(touch));
        for (const Touch* touch : event.allTouches())
            call.all.push_back(see(touch));
        calls.push_back(call);
    }
};

void expectPoint(CGPoint point, float x, float y)
{
    EXPECT_FLOAT_EQ(point.x, x);
    EXPECT_FLOAT_EQ(point.y, y);
}

std::vector<TouchPhase> phases(const std::vector<Seen>& touches)
{
    std::vector<TouchPhase> result;
    for (const Seen& seen : touches)
        result.push_back(seen.phase);
    return result;
}

class TouchTest : public ::testing::Test {
protected:
    TouchTest()
    {
        view.show();
        QCoreApplication::processEvents();
    }

    Call onlyCall(const char* handler)
    {
        EXPECT_EQ(view.takeHandlers(), handler);
        return view.seen.empty() ? Call {} : view.seen.back();
    }

    static double interval() { return QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0; }
    static float touchTapDistance()
    {
        return static_cast<float>(QGuiApplication::styleHints()->touchDoubleTapDistance());
    }
    static float slop() { return static_cast<float>(QGuiApplication::styleHints()->startDragDistance()); }

    ManualClock clock { 1000 };
    RecordingView view { CGRectMake(0, 0, 320, 240) };
    TouchScript script { view, &clock };
};

} // namespace

TEST_F(TouchTest, OneFingerDragReportsPhasesAndLocations)
{
    script.press(0, { 10, 10 }).send();
    const Call began = onlyCall("began");
    ASSERT_EQ(began.touches.size(), 1u);
    const Touch* finger = began.touches[0].touch;
    expectPoint(began.touches[0].location, 10, 10);
    expectPoint(began.touches[0].previous, 10, 10);
    EXPECT_EQ(began.touches[0].phase, TouchPhase::Began);
    EXPECT_EQ(began.touches[0].tapCount, 1);
    EXPECT_DOUBLE_EQ(began.touches[0].timestamp, 1000);
    EXPECT_EQ(began.all.size(), 1u);

    script.wait(0.02);
    script.move(0, { 16, 14 }).send();
    Call moved = onlyCall("moved");
    ASSERT_EQ(moved.touches.size(), 1u);
    EXPECT_EQ(moved.touches[0].touch, finger);
    expectPoint(moved.touches[0].location, 16, 14);
    expectPoint(moved.touches[0].previous, 10, 10);
    EXPECT_EQ(moved.touches[0].phase, TouchPhase::Moved);
    EXPECT_EQ(moved.touches[0].tapCount, 1) << "still within the slop";
    EXPECT_DOUBLE_EQ(moved.timestamp, 1000.02);

    script.wait(0.02);
    script.move(0, { 40, 25 }).send();
    moved = onlyCall("moved");
    expectPoint(moved.touches[0].previous, 16, 14);
    EXPECT_EQ(moved.touches[0].tapCount, 0) << "moved too far to tap";

    script.release(0).send();
    const Call ended = onlyCall("ended");
    ASSERT_EQ(ended.touches.size(), 1u);
    EXPECT_EQ(ended.touches[0].touch, finger);
    EXPECT_EQ(ended.touches[0].phase, TouchPhase::Ended);
    expectPoint(ended.touches[0].location, 40, 25);
    // Lifting in place keeps the last step.
    expectPoint(ended.touches[0].previous, 16, 14);
    EXPECT_EQ(ended.touches[0].tapCount, 0);
    EXPECT_EQ(phases(ended.all), std::vector { TouchPhase::Ended });
}

// Holding still before lifting means the finger has stopped: a map must not
// glide off with the step it made before the rest.
TEST_F(TouchTest, LiftingAfterARestLeavesNoStep)
{
    script.press(0, { 10, 10 }).send();
    script.wait(0.02);
    script.move(0, { 30, 10 }).send();
    script.wait(TouchTracker::kRestBeforeLift + 0.05);
    script.release(0).send();
    EXPECT_EQ(view.takeHandlers(), "began moved ended");
    const Seen& ended = view.seen.back().touches[0];
    expectPoint(ended.location, 30, 10);
    expectPoint(ended.previous, 30, 10);
}

TEST_F(TouchTest, LiftingElsewhereMovesTheTouchFirst)
{
    script.press(0, { 10, 10 }).send();
    script.release(0, { 14, 10 }).send();
    EXPECT_EQ(view.takeHandlers(), "began ended");
    const Seen& ended = view.seen.back().touches[0];
    expectPoint(ended.location, 14, 10);
    expectPoint(ended.previous, 10, 10);
}

TEST_F(TouchTest, PinchWithAFingerAddedAndOneLifted)
{
    view.setMultipleTouchEnabled(true);
    script.press(0, { 100, 100 }).send();
    script.move(0, { 90, 100 }).press(1, { 200, 100 }).send();
    ASSERT_EQ(view.takeHandlers(), "began began moved");
    const Call& added = view.seen[1];
    const Call& movedFirst = view.seen[2];
    ASSERT_EQ(added.touches.size(), 1u);
    ASSERT_EQ(movedFirst.touches.size(), 1u);
    const Touch* first = view.seen[0].touches[0].touch;
    const Touch* second = added.touches[0].touch;
    EXPECT_NE(first, second);
    EXPECT_EQ(movedFirst.touches[0].touch, first);
    EXPECT_EQ(phases(added.all), (std::vector { TouchPhase::Moved, TouchPhase::Began }))
        << "every touch in touch-down order, each in its own phase";

    script.move(1, { 220, 100 }).send();
    Call call = onlyCall("moved");
    ASSERT_EQ(call.touches.size(), 1u);
    EXPECT_EQ(call.touches[0].touch, second);
    EXPECT_EQ(phases(call.all), (std::vector { TouchPhase::Stationary, TouchPhase::Moved }));
    expectPoint(call.all[0].location, 90, 100);

    script.move(0, { 80, 100 }).move(1, { 230, 100 }).send();
    call = onlyCall("moved");
    EXPECT_EQ(call.touches.size(), 2u);

    script.release(0).send();
    call = onlyCall("ended");
    EXPECT_EQ(call.touches[0].touch, first);
    EXPECT_EQ(phases(call.all), (std::vector { TouchPhase::Ended, TouchPhase::Stationary }));

    script.move(1, { 240, 110 }).send();
    call = onlyCall("moved");
    ASSERT_EQ(call.all.size(), 1u) << "the lifted finger has left the sequence";
    EXPECT_EQ(call.all[0].touch, second);

    script.release(1).send();
    EXPECT_EQ(onlyCall("ended").all.size(), 1u);
}

TEST_F(TouchTest, WithoutMultipleTouchOnlyTheFirstFingerCounts)
{
    script.press(0, { 10, 10 }).send();
    script.press(1, { 50, 50 }).send();
    script.move(1, { 60, 60 }).send();
    script.release(1).send();
    EXPECT_EQ(view.takeHandlers(), "began");
    script.move(0, { 30, 10 }).send();
    script.release(0).send();
    EXPECT_EQ(view.takeHandlers(), "moved ended");
    EXPECT_EQ(view.seen.back().all.size(), 1u);
}

TEST_F(TouchTest, CancelledSequenceReportsEveryTouchAndStartsAfresh)
{
    view.setMultipleTouchEnabled(true);
    script.press(0, { 10, 10 }).press(1, { 50, 50 }).send();
    script.cancel();
    Call call = onlyCall("began cancelled");
    EXPECT_EQ(call.touches.size(), 2u);
    EXPECT_EQ(phases(call.all), (std::vector { TouchPhase::Cancelled, TouchPhase::Cancelled }));

    script.tap({ 10, 10 });
    EXPECT_EQ(view.takeHandlers(), "began ended");
    EXPECT_EQ(view.seen.back().all.size(), 1u);
    EXPECT_EQ(view.seen.back().touches[0].tapCount, 1) << "a cancelled touch is no tap";
}

TEST_F(TouchTest, HidingOrDisablingTheViewCancelsItsTouches)
{
    script.press(0, { 10, 10 }).send();
    view.hide();
    EXPECT_EQ(view.takeHandlers(), "began cancelled");

    view.show();
    script.mousePress({ 10, 10 });
    view.setEnabled(false);
    EXPECT_EQ(view.takeHandlers(), "began cancelled");
    script.mouseRelease({ 10, 10 });
    EXPECT_EQ(view.takeHandlers(), "");
}

TEST_F(TouchTest, ANewTouchSequenceEndsFingersThatNeverLifted)
{
    script.press(0, { 10, 10 }).send();
    // The touch screen starts over as if the finger had gone.
    TouchScript other { view };
    other.press(0, { 70, 70 }).send();
    EXPECT_EQ(view.takeHandlers(), "began cancelled began");
    expectPoint(view.seen.back().touches[0].location, 70, 70);
}

TEST_F(TouchTest, TapsCountWithinTheIntervalAndDistanceUpToThree)
{
    struct Case {
        const char* name;
        double gap; // seconds from the first tap's end to the second touch
        float offset; // points from the first tap to the second
        float wander; // points the first finger moves away and back
        int expected; // tap count of the second touch
    };
    const double i = interval();
    const float d = touchTapDistance();
    const Case cases[] = {
        { "quick and close", i / 2, 0, 0, 2 },
        { "at the interval", i, d, 0, 2 },
        { "too slow", i + 0.01, 0, 0, 1 },
        { "too far", 0.05, d + 1, 0, 1 },
        { "first wandered within the slop", 0.05, 0, slop(), 2 },
        { "first was a drag", 0.05, 0, slop() + 1, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        script.wait(10);
        script.press(0, { 100, 100 }).send();
        if (c.wander > 0) {
            script.move(0, { 100 + c.wander, 100 }).send();
            script.move(0, { 100, 100 }).send();
        }
        script.release(0).send();
        script.wait(c.gap);
        script.tap({ 100 + c.offset, 100 });
        view.takeHandlers();
        ASSERT_GE(view.seen.size(), 2u);
        EXPECT_EQ(view.seen.back().touches[0].tapCount, c.expected) << "ended";
        EXPECT_EQ(view.seen[view.seen.size() - 2].touches[0].tapCount, c.expected) << "began";
    }

    script.wait(10);
    for (const float x : { 50.0f, 51.0f, 52.0f }) {
        script.tap({ x, 50 });
        script.wait(0.1);
    }
    view.takeHandlers();
    EXPECT_EQ(view.seen.back().touches[0].tapCount, 3) << "a triple tap";
}

TEST_F(TouchTest, MouseLeftButtonIsOneFinger)
{
    script.mousePress({ 10, 10 });
    script.mouseMove({ 40, 10 });
    script.mouseRelease({ 40, 10 });
    EXPECT_EQ(view.takeHandlers(), "began moved ended");
    const Call& ended = view.seen.back();
    expectPoint(ended.touches[0].location, 40, 10);
    expectPoint(ended.touches[0].previous, 10, 10);
    EXPECT_EQ(ended.touches[0].tapCount, 0);
    EXPECT_EQ(view.seen[0].touches[0].touch, ended.touches[0].touch);

    script.mouseMove({ 60, 10 });
    script.mousePress({ 10, 10 }, Qt::RightButton);
    script.mouseRelease({ 10, 10 }, Qt::RightButton);
    EXPECT_EQ(view.takeHandlers(), "") << "hovering and other buttons are no touches";

    // A release that went elsewhere: the next press starts over.
    script.mousePress({ 10, 10 });
    script.mousePress({ 20, 10 });
    EXPECT_EQ(view.takeHandlers(), "began cancelled began");
}

TEST_F(TouchTest, MouseDoubleClickIsASecondTap)
{
    // Qt 6 sends the second press of a double click as a double-click event.
    script.mouseClick({ 10, 10 });
    script.wait(0.1);
    script.mouseDoubleClick({ 10, 10 });
    script.mouseRelease({ 10, 10 });
    EXPECT_EQ(view.takeHandlers(), "began ended began ended");
    EXPECT_EQ(view.seen[2].touches[0].tapCount, 2);
    EXPECT_EQ(view.seen[3].touches[0].tapCount, 2);

    // Some versions send a press and then the double-click event.
    script.wait(10);
    script.mouseClick({ 10, 10 });
    script.wait(0.1);
    script.mousePress({ 10, 10 });
    script.mouseDoubleClick({ 10, 10 });
    script.mouseRelease({ 10, 10 });
    EXPECT_EQ(view.takeHandlers(), "began ended began ended");
    EXPECT_EQ(view.seen.back().touches[0].tapCount, 2);
}

TEST_F(TouchTest, MouseEventsMadeUpFromTouchesAreNotDeliveredAgain)
{
    script.tap({ 10, 10 });
    script.press(0, { 20, 20 }).send();
    script.move(0, { 40, 20 }).send();
    script.release(0).send();
    EXPECT_EQ(view.takeHandlers(), "began ended began moved ended");

    // What Qt or the window system would make of the same finger.
    const QPointingDevice* screen = TouchScript::touchScreen();
    for (const auto source : { Qt::MouseEventSynthesizedByQt, Qt::MouseEventSynthesizedBySystem }) {
        const QPointingDevice* device = source == Qt::MouseEventSynthesizedByQt ? screen : nullptr;
        script.sendMouse(QEvent::MouseButtonPress, { 20, 20 }, Qt::LeftButton, source, device);
        script.sendMouse(QEvent::MouseMove, { 40, 20 }, Qt::NoButton, source, device);
        script.sendMouse(QEvent::MouseButtonDblClick, { 40, 20 }, Qt::LeftButton, source, device);
        script.sendMouse(QEvent::MouseButtonRelease, { 40, 20 }, Qt::LeftButton, source, device);
    }
    EXPECT_EQ(view.takeHandlers(), "");

    // Fingers on a touchpad drive the pointer, which arrives as the mouse.
    static QPointingDevice* const touchpad = QTest::createTouchDevice(QInputDevice::DeviceType::TouchPad);
    script.sendTouchEvent(QEvent::TouchBegin, { { 0, QEventPoint::Pressed, { 20, 20 } } }, touchpad);
    script.sendTouchEvent(QEvent::TouchEnd, { { 0, QEventPoint::Released, { 20, 20 } } }, touchpad);
    EXPECT_EQ(view.takeHandlers(), "");
}

TEST_F(TouchTest, StrayFingersAreIgnored)
{
    view.setMultipleTouchEnabled(true);
    script.press(0, { 10, 10 }).send();
    view.takeHandlers();
    // Fingers the view never saw touch down, straight from a faulty driver.
    script.sendTouchEvent(QEvent::TouchUpdate, { { 5, QEventPoint::Updated, { 20, 20 } } });
    script.sendTouchEvent(QEvent::TouchUpdate, { { 6, QEventPoint::Released, { 20, 20 } } });
    script.sendTouchEvent(QEvent::TouchUpdate, { { 0, QEventPoint::Stationary, { 90, 90 } } });
    EXPECT_EQ(view.takeHandlers(), "");
    // A sequence that ends with fingers still down ends them.
    script.sendTouchEvent(QEvent::TouchEnd, { { 6, QEventPoint::Released, { 20, 20 } } });
    EXPECT_EQ(view.takeHandlers(), "cancelled");
    expectPoint(view.seen.back().touches[0].location, 10, 10);
}

TEST_F(TouchTest, AHandlerMayDestroyTheView)
{
    class SelfDestroyingView : public View {
    public:
        using View::View;
        void touchesBegan(const std::vector<Touch*>&, const Event&) override { delete this; }
        void touchesMoved(const std::vector<Touch*>&, const Event&) override { ADD_FAILURE(); }
    };
    auto* doomed = new SelfDestroyingView(CGRectMake(0, 0, 100, 100));
    const QPointer<View> watch(doomed);
    doomed->setMultipleTouchEnabled(true);
    doomed->show();
    TouchScript doomedScript { *doomed };
    doomedScript.press(0, { 10, 10 }).send();
    EXPECT_TRUE(watch.isNull());
}

TEST_F(TouchTest, HidingOrInputInsideAHandlerCancelsAfterIt)
{
    class MeddlingView : public RecordingView {
    public:
        using RecordingView::RecordingView;
        void touchesBegan(const std::vector<Touch*>& touches, const Event& event) override
        {
            RecordingView::touchesBegan(touches, event);
            meddle();
        }
        std::function<void()> meddle;
    };
    MeddlingView meddling(CGRectMake(0, 0, 100, 100));
    meddling.show();
    TouchScript meddlingScript { meddling };

    meddling.meddle = [&] { meddling.hide(); };
    meddlingScript.mousePress({ 10, 10 });
    EXPECT_EQ(meddling.takeHandlers(), "began cancelled");

    meddling.show();
    meddling.meddle = [&] { meddlingScript.mouseRelease({ 10, 10 }); };
    meddlingScript.mousePress({ 10, 10 });
    EXPECT_EQ(meddling.takeHandlers(), "began cancelled") << "a nested event loop's input";
    meddlingScript.mouseRelease({ 10, 10 });
    EXPECT_EQ(meddling.takeHandlers(), "");
}

TEST_F(TouchTest, LocationsConvertBetweenViews)
{
    class Probe : public View {
    public:
        using View::View;
        void touchesBegan(const std::vector<Touch*>& touches, const Event&) override
        {
            const Touch* touch = touches.front();
            inOuter = touch->locationInView(outer);
            inOwn = touch->locationInView(this);
            inWindow = touch->locationInView(nullptr);
            EXPECT_EQ(touch->view(), this);
        }
        const View* outer = nullptr;
        CGPoint inOuter, inOwn, inWindow;
    };
    Probe probe(CGRectMake(50, 40, 100, 100), &view);
    probe.outer = &view;
    probe.show();
    TouchScript probeScript { probe };
    probeScript.press(0, { 10, 20 }).send();
    expectPoint(probe.inOwn, 10, 20);
    expectPoint(probe.inOuter, 60, 60);
    expectPoint(probe.inWindow, 60, 60);
    EXPECT_EQ(view.takeHandlers(), "") << "the touch belongs to the child only";
}
