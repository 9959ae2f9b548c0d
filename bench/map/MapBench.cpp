// The map on screen: one pan step and one zoom step through the contents
// (camera, tile image set, tile loader, overlay with its correction), and
// frames of a whole screen (a step, then one composite of the layer tree),
// beside bare QPainter drawing the same tile pictures. Two screens: a
// desktop of 1920 × 1080 points, and a phone of 360 × 780 points on a panel
// of 1080 × 2340 pixels (3 per point), whose map shows the tiles of the
// zoom that matches the panel's pixels. Whole and fractional zooms. Tiles
// are decoded pictures in memory; no network, no caches.
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

#include <fmt/format.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using platform::Compositor;
using vantry::bench::BenchMap;
using vantry::bench::BenchScreen;
using vantry::bench::Figure;
using vantry::bench::kDesktop;
using vantry::bench::kPhone;

constexpr BenchScreen kScreens[] = { kDesktop, kPhone };
constexpr float kZooms[] = { 15, 15.4f };
// A frame's budget, in milliseconds.
constexpr double kDesktopFrameLimit = 2;
constexpr double kPhoneFrameLimit = 4;

class Map : public BenchMap {
public:
    using BenchMap::BenchMap;

    const platform::Layer& layer() { return view().layer(); }

    // The tiles as the compositor draws them: picture and rectangle.
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

// A frame of the screen's panel, in the format the window system paints.
QImage frame(const BenchScreen& screen)
{
    QImage image(screen.pixelWidth(), screen.pixelHeight(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(screen.ratio);
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

// Two fingers pinching: in by 2 % and out again about a point off centre.
void zoomStep(RMMapContents& contents, std::int64_t step)
{
    const CGRect screen = contents.screenBounds();
    contents.zoomByFactorNear(
        (step & 1) ? 1 / 1.02f : 1.02f, CGPointMake(screen.size.width * 0.36f, screen.size.height * 0.37f));
}

void stayStill(RMMapContents&, std::int64_t)
{ }

// `move` at zoom 15 on the desktop, once per iteration.
template<Move move> void runSteps(benchmark::State& state)
{
    Map map(15);
    std::int64_t step = 0;
    for (auto _ : state)
        move(map.contents(), step++);
    addCounters(state, map);
}

// `move`, then one composite of the whole screen, per iteration; the frame
// before the loop has drawn every picture once. A frame on screen resamples
// as the view does (cheaply while a picture's size changes from frame to
// frame); `Smooth` resamples every picture smoothly whenever its size
// changed, as the first frame at rest after a pinch does.
template<Move move, Compositor::Resampling resampling>
void frames(benchmark::State& state, BenchScreen screen, float zoom)
{
    Map map(zoom, screen);
    QImage image = frame(screen);
    QPainter painter(&image);
    Compositor::paint(painter, map.layer(), platform::Clock::current().now(), resampling);
    std::int64_t step = 0;
    for (auto _ : state) {
        move(map.contents(), step++);
        Compositor::paint(painter, map.layer(), platform::Clock::current().now(), resampling);
        benchmark::DoNotOptimize(image.constBits());
    }
    addCounters(state, map);
}

// The peer: QPainter drawing the same tile pictures at the same places,
// nothing else (no markers, no layer tree): a copy onto whole pixels where
// a tile is drawn at its own size, smooth scaling into the fractional
// rectangle otherwise.
void bareQPainterTiles(benchmark::State& state, BenchScreen screen, float zoom)
{
    Map map(zoom, screen);
    const auto tiles = map.tiles();
    QImage image = frame(screen);
    QPainter painter(&image);
    for (auto _ : state) {
        for (const auto& [picture, at] : tiles) {
            const bool own = std::abs(at.width() * screen.ratio - picture.width()) < 1e-3;
            painter.setRenderHint(QPainter::SmoothPixmapTransform, !own);
            if (own && screen.ratio == 1)
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

// The floor: copying the whole frame once.
void frameCopy(benchmark::State& state, BenchScreen screen)
{
    const QImage source = frame(screen);
    QImage target = frame(screen);
    for (auto _ : state) {
        std::memcpy(target.bits(), source.constBits(), static_cast<std::size_t>(source.sizeInBytes()));
        benchmark::DoNotOptimize(target.constBits());
    }
}

std::string runName(const char* benchmark, const BenchScreen& screen, float zoom)
{
    return fmt::format("{}/{}/zoom:{:g}", benchmark, screen.name, zoom);
}

std::string screenLabel(const BenchScreen& screen)
{
    return fmt::format("{}×{} px", screen.pixelWidth(), screen.pixelHeight());
}

// Registers the frame benchmarks of every screen and zoom; returns the
// figures to print beside their limits and peers.
std::vector<Figure> registerFrames()
{
    using Resampling = Compositor::Resampling;
    std::vector<Figure> figures;
    for (const BenchScreen& screen : kScreens) {
        const double limit = screen.ratio == 1 ? kDesktopFrameLimit : kPhoneFrameLimit;
        for (const float zoom : kZooms) {
            const auto name = [&](const char* benchmark) { return runName(benchmark, screen, zoom); };
            benchmark::RegisterBenchmark(
                name("BM_Composite").c_str(), frames<stayStill, Resampling::FastWhileResizing>, screen, zoom);
            benchmark::RegisterBenchmark(
                name("BM_BareQPainterTiles").c_str(), bareQPainterTiles, screen, zoom);
            benchmark::RegisterBenchmark(name("BM_PanStepAndComposite").c_str(),
                frames<panStep, Resampling::FastWhileResizing>, screen, zoom);
            benchmark::RegisterBenchmark(name("BM_PinchStepAndComposite").c_str(),
                frames<zoomStep, Resampling::FastWhileResizing>, screen, zoom);
            benchmark::RegisterBenchmark(name("BM_ZoomStepAndSmoothComposite").c_str(),
                frames<zoomStep, Resampling::Smooth>, screen, zoom);
            const std::string where = fmt::format("{}, zoom {:g}", screenLabel(screen), zoom);
            figures.push_back(
                { "frame, pan step + composite, " + where, name("BM_PanStepAndComposite"), limit });
            figures.push_back(
                { "frame, pinch step + composite, " + where, name("BM_PinchStepAndComposite"), limit });
            figures.push_back({ "composite beside bare QPainter (tiles only), " + where, name("BM_Composite"),
                0, name("BM_BareQPainterTiles") });
            figures.push_back({ "first frame at rest (all resampled), " + where,
                name("BM_ZoomStepAndSmoothComposite"), 0, name("BM_BareQPainterTiles") });
        }
        benchmark::RegisterBenchmark(fmt::format("BM_FrameCopy/{}", screen.name).c_str(), frameCopy, screen);
    }
    return figures;
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

} // namespace

int main(int argc, char** argv)
{
    return vantry::bench::runBenchmarks(argc, argv, registerFrames());
}
