// The map on screen: one pan step and one zoom step through the contents
// (camera, tile image set, tile loader, overlay with its correction), and
// one composite of a 1920 × 1080 screen, beside bare QPainter drawing the
// same pictures. Tiles are decoded pictures in memory; no network, no caches.
#include "BenchMap.h"
#include "BenchmarkMain.h"
#include "Clock.h"
#include "Compositor.h"
#include "Layer.h"
#include "RMMapContents.h"
#include "RMTileImage.h"
#include "RMTileImageSet.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using vantry::bench::BenchMap;

// A map of 1920 × 1080 points at `zoom` with 200 markers on screen.
class Map : public BenchMap {
public:
    using BenchMap::BenchMap;

    const platform::Layer& layer() { return view().layer(); }

    // The tiles as the compositor would draw them: picture and rectangle.
    std::vector<std::pair<QImage, QRectF>> tiles()
    {
        std::vector<std::pair<QImage, QRectF>> result;
        for (const auto& image : contents().imagesOnScreen()->images()) {
            const CGRect at = image->screenLocation();
            result.emplace_back(image->layer()->contents().pixels(),
                QRectF(at.origin.x, at.origin.y, at.size.width, at.size.height));
        }
        return result;
    }
};

QImage frame()
{
    QImage image(BenchMap::kWidth, BenchMap::kHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::gray);
    return image;
}

void addCounters(benchmark::State& state, Map& map)
{
    state.counters["tiles"] = static_cast<double>(map.contents().imagesOnScreen()->count());
    state.counters["fps"]
        = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// One move of the map per iteration, given the iteration's number.
using Move = void (*)(RMMapContents& contents, std::int64_t step);

// Small steps back and forth, as a finger drags: the loaded tiles keep
// covering the screen.
void panStep(RMMapContents& contents, std::int64_t step)
{
    const float sign = (step & 1) ? -1.0f : 1.0f;
    contents.moveBy(CGSizeMake(sign * 3.5f, sign * 2.25f));
}

// Panning steadily in one direction: new tiles come into view now and then
// and the tile rectangle is renewed.
void panAcrossStep(RMMapContents& contents, std::int64_t step)
{
    contents.moveBy(CGSizeMake((step / 400) % 2 ? -7.0f : 7.0f, 0));
}

void zoomStep(RMMapContents& contents, std::int64_t step)
{
    contents.zoomByFactorNear((step & 1) ? 1 / 1.02f : 1.02f, CGPointMake(700, 400));
}

void stayStill(RMMapContents&, std::int64_t)
{ }

// `move` at zoom 15, once per iteration.
template<Move move> void runSteps(benchmark::State& state)
{
    Map map(15);
    std::int64_t step = 0;
    for (auto _ : state)
        move(map.contents(), step++);
    addCounters(state, map);
}

// `move`, then one composite of the whole screen, per iteration, at zoom
// range(0) / 100.
template<Move move> void runStepsAndComposite(benchmark::State& state)
{
    Map map(static_cast<float>(state.range(0)) / 100);
    QImage image = frame();
    QPainter painter(&image);
    std::int64_t step = 0;
    for (auto _ : state) {
        move(map.contents(), step++);
        platform::Compositor::paint(painter, map.layer(), platform::Clock::current().now());
        benchmark::DoNotOptimize(image.constBits());
    }
    addCounters(state, map);
}

void BM_PanStep(benchmark::State& state)
{
    runSteps<panStep>(state);
}
BENCHMARK(BM_PanStep);

void BM_PanAcross(benchmark::State& state)
{
    runSteps<panAcrossStep>(state);
}
BENCHMARK(BM_PanAcross);

void BM_ZoomStep(benchmark::State& state)
{
    runSteps<zoomStep>(state);
}
BENCHMARK(BM_ZoomStep);

void BM_Composite(benchmark::State& state)
{
    runStepsAndComposite<stayStill>(state);
}
BENCHMARK(BM_Composite)->Arg(1500)->Arg(1540)->ArgName("zoom×100");

void BM_PanStepAndComposite(benchmark::State& state)
{
    runStepsAndComposite<panStep>(state);
}
BENCHMARK(BM_PanStepAndComposite)->Arg(1500)->Arg(1540)->ArgName("zoom×100");

// The peer: QPainter drawing the same tile pictures at the same places,
// nothing else (no markers, no layer tree): whole pixels at a whole zoom,
// smooth scaling at a fractional one.
void BM_BareQPainterTiles(benchmark::State& state)
{
    Map map(static_cast<float>(state.range(0)) / 100);
    const auto tiles = map.tiles();
    const bool whole = state.range(0) % 100 == 0;
    QImage image = frame();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !whole);
    for (auto _ : state) {
        for (const auto& [picture, at] : tiles) {
            if (whole)
                painter.drawImage(QPoint(static_cast<int>(std::floor(at.x() + 0.5)),
                                      static_cast<int>(std::floor(at.y() + 0.5))),
                    picture);
            else
                painter.drawImage(at, picture, QRectF(picture.rect()));
        }
        benchmark::DoNotOptimize(image.constBits());
    }
    addCounters(state, map);
}
BENCHMARK(BM_BareQPainterTiles)->Arg(1500)->Arg(1540)->ArgName("zoom×100");

// The floor: copying the whole frame once.
void BM_FrameCopy(benchmark::State& state)
{
    const QImage source = frame();
    QImage target = frame();
    for (auto _ : state) {
        std::memcpy(target.bits(), source.constBits(), static_cast<std::size_t>(source.sizeInBytes()));
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_FrameCopy);

} // namespace

int main(int argc, char** argv)
{
    return vantry::bench::runBenchmarks(argc, argv);
}
