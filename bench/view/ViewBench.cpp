// The map view under the fingers: one touch-moved event of a two-finger
// pinch (gesture record, move, zoom, tile loader check, overlay correction
// of 200 markers) on a 1920 × 1080 map of about 40 tiles, beside the same
// move and zoom sent to the contents directly; and a scripted 5-second
// mouse drag at 60 events a second, each event followed by painting the
// window into a 1920 × 1080 picture, on the manual clock.
#include "BenchMap.h"
#include "BenchmarkMain.h"
#include "Clock.h"
#include "ManualClock.h"
#include "RMMapContents.h"
#include "RMMapView.h"
#include "RMMarkerManager.h"
#include "RMTileImageSet.h"
#include "TouchTracker.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

namespace {

using vantry::bench::BenchMap;

// The shown 1920 × 1080 map view at zoom 15 with 200 markers on screen.
class Map : public BenchMap {
public:
    Map()
        : BenchMap(15)
    {
        view().show();
        QCoreApplication::processEvents();
    }

    void addCounters(benchmark::State& state)
    {
        state.counters["tiles"] = static_cast<double>(contents().imagesOnScreen()->count());
        state.counters["markers"] = static_cast<double>(contents().markerManager().markers().size());
    }
};

// Two fingers 100 points apart about (960, 540) that spread by 2 points and
// drift by one, then come back: each event zooms by about 1.02 and pans.
CGPoint fingerAt(int finger, std::int64_t step)
{
    const float out = (step & 1) ? 1 : 0;
    const float side = finger == 0 ? -1.0f : 1.0f;
    return CGPointMake(960 + out + side * (50 + out), 540 + out);
}

void BM_PinchMovedEvent(benchmark::State& state)
{
    Map map;
    platform::TouchTracker fingers(&map.view());
    fingers.setMultipleTouchEnabled(true);
    const platform::TouchTracker::TapRules rules;
    const platform::TouchTracker::Finger first { &fingers, 0 };
    const platform::TouchTracker::Finger second { &fingers, 1 };
    fingers.beginBatch(platform::Clock::current().now(), rules);
    fingers.press(first, fingerAt(0, 0));
    fingers.press(second, fingerAt(1, 0));
    map.view().touchesBegan(fingers.changes().began, fingers.event());
    fingers.endBatch();

    std::int64_t step = 1;
    for (auto _ : state) {
        fingers.beginBatch(platform::Clock::current().now(), rules);
        fingers.move(first, fingerAt(0, step));
        fingers.move(second, fingerAt(1, step));
        map.view().touchesMoved(fingers.changes().moved, fingers.event());
        fingers.endBatch();
        ++step;
    }
    map.addCounters(state);
    fingers.beginBatch(platform::Clock::current().now(), rules);
    fingers.cancelAll();
    map.view().touchesCancelled(fingers.changes().cancelled, fingers.event());
    fingers.endBatch();
}
BENCHMARK(BM_PinchMovedEvent);

// The peer: the same pan and zoom sent to the contents directly, with no
// touches, gesture record, delegate or pause timer.
void BM_ContentsMoveAndZoom(benchmark::State& state)
{
    Map map;
    std::int64_t step = 1;
    for (auto _ : state) {
        const float sign = (step & 1) ? 1.0f : -1.0f;
        map.contents().moveBy(CGSizeMake(sign, sign));
        map.contents().zoomByFactorNear((step & 1) ? 102.0f / 100 : 100.0f / 102, CGPointMake(960, 540));
        ++step;
    }
    map.addCounters(state);
}
BENCHMARK(BM_ContentsMoveAndZoom);

void sendMouse(QWidget& widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, at, widget.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

// Five seconds of a mouse drag across the map, 60 events a second on the
// manual clock, each event followed by painting the window; frames/s is the
// wall-clock rate of events with their frames.
void BM_ScriptedDragWithPainting(benchmark::State& state)
{
    vantry::test::ManualClock clock(1000);
    Map map;
    QImage frame(BenchMap::kWidth, BenchMap::kHeight, QImage::Format_ARGB32_Premultiplied);
    constexpr int kEvents = 300;
    std::int64_t frames = 0;
    for (auto _ : state) {
        QPointF at(1500, 800);
        sendMouse(map.view(), QEvent::MouseButtonPress, at, Qt::LeftButton);
        for (int event = 0; event < kEvents; ++event) {
            clock.advance(1.0 / 60);
            // Right to left and back, 3 points a step, a little downwards.
            at += QPointF(event < kEvents / 2 ? -3 : 3, event < kEvents / 2 ? 1 : -1);
            sendMouse(map.view(), QEvent::MouseMove, at, Qt::LeftButton);
            map.view().render(&frame);
            benchmark::DoNotOptimize(frame.constBits());
            ++frames;
        }
        sendMouse(map.view(), QEvent::MouseButtonRelease, at, Qt::NoButton);
        clock.advance(1);
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    map.addCounters(state);
}
BENCHMARK(BM_ScriptedDragWithPainting)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return vantry::bench::runBenchmarks(argc, argv);
}
