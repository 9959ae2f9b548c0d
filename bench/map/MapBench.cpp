// The map on screen: one pan step and one zoom step through the contents
// (camera, tile image set, tile loader, overlay with its correction), and
// one composite of a 1920 × 1080 screen, beside bare QPainter drawing the
// same pictures. Tiles are decoded pictures in memory; no network, no caches.
#include "Clock.h"
#include "Compositor.h"
#include "Layer.h"
#include "Log.h"
#include "MapTestSources.h"
#include "RMMapContents.h"
#include "RMMapView.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"
#include "RMTileImage.h"
#include "RMTileImageSet.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kMarkers = 200;
constexpr RMLatLong kCenter { 51.5007, -0.1246 };

// A map of 1920 × 1080 points at `zoom` with 200 markers on screen.
class Map {
public:
    explicit Map(float zoom)
        : source_(std::make_shared<vantry::test::MemoryTileSource>(true))
        , view_(CGRectMake(0, 0, kWidth, kHeight))
    {
        contents_
            = RMMapContents::create(&view_, vantry::test::withoutCaches(source_), kCenter, zoom, 18, 0, {})
                  .get();
        QImage pin(21, 21, QImage::Format_ARGB32_Premultiplied);
        pin.fill(QColor(214, 39, 40));
        const platform::Image picture = platform::Image::fromQImage(pin);
        std::mt19937 random(7);
        std::uniform_real_distribution<float> x(0, kWidth);
        std::uniform_real_distribution<float> y(0, kHeight);
        for (int i = 0; i < kMarkers; ++i) {
            auto marker = std::make_shared<RMMarker>(picture);
            contents_->markerManager().addMarkerAtLatLong(
                marker, contents_->pixelToLatLong(CGPointMake(x(random), y(random))));
        }
    }

    RMMapContents& contents() { return *contents_; }
    const platform::Layer& layer() const { return view_.layer(); }

    // The tiles as the compositor would draw them: picture and rectangle.
    std::vector<std::pair<QImage, QRectF>> tiles() const
    {
        std::vector<std::pair<QImage, QRectF>> result;
        for (const auto& image : contents_->imagesOnScreen()->images()) {
            const CGRect at = image->screenLocation();
            result.emplace_back(image->layer()->contents().pixels(),
                QRectF(at.origin.x, at.origin.y, at.size.width, at.size.height));
        }
        return result;
    }

private:
    std::shared_ptr<vantry::test::MemoryTileSource> source_;
    RMMapView view_;
    RMMapContents* contents_ = nullptr;
};

QImage frame()
{
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::gray);
    return image;
}

void addCounters(benchmark::State& state, Map& map)
{
    state.counters["tiles"] = static_cast<double>(map.contents().imagesOnScreen()->count());
    state.counters["fps"]
        = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Small steps back and forth, as a finger drags: the loaded tiles keep
// covering the screen.
void panStep(RMMapContents& contents, std::int64_t step)
{
    const float sign = (step & 1) ? -1.0f : 1.0f;
    contents.moveBy(CGSizeMake(sign * 3.5f, sign * 2.25f));
}

void zoomStep(RMMapContents& contents, std::int64_t step)
{
    contents.zoomByFactorNear((step & 1) ? 1 / 1.02f : 1.02f, CGPointMake(700, 400));
}

void BM_PanStep(benchmark::State& state)
{
    Map map(15);
    std::int64_t step = 0;
    for (auto _ : state)
        panStep(map.contents(), step++);
    addCounters(state, map);
}
BENCHMARK(BM_PanStep);

// Panning steadily in one direction: new tiles come into view now and then
// and the tile rectangle is renewed.
void BM_PanAcross(benchmark::State& state)
{
    Map map(15);
    std::int64_t step = 0;
    for (auto _ : state) {
        map.contents().moveBy(CGSizeMake((step / 400) % 2 ? -7.0f : 7.0f, 0));
        ++step;
    }
    addCounters(state, map);
}
BENCHMARK(BM_PanAcross);

void BM_ZoomStep(benchmark::State& state)
{
    Map map(15);
    std::int64_t step = 0;
    for (auto _ : state)
        zoomStep(map.contents(), step++);
    addCounters(state, map);
}
BENCHMARK(BM_ZoomStep);

void BM_Composite(benchmark::State& state)
{
    Map map(static_cast<float>(state.range(0)) / 100);
    QImage image = frame();
    QPainter painter(&image);
    for (auto _ : state) {
        platform::Compositor::paint(painter, map.layer(), platform::Clock::current().now());
        benchmark::DoNotOptimize(image.constBits());
    }
    addCounters(state, map);
}
BENCHMARK(BM_Composite)->Arg(1500)->Arg(1540)->ArgName("zoom×100");

void BM_PanStepAndComposite(benchmark::State& state)
{
    Map map(static_cast<float>(state.range(0)) / 100);
    QImage image = frame();
    QPainter painter(&image);
    std::int64_t step = 0;
    for (auto _ : state) {
        panStep(map.contents(), step++);
        platform::Compositor::paint(painter, map.layer(), platform::Clock::current().now());
        benchmark::DoNotOptimize(image.constBits());
    }
    addCounters(state, map);
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The map's trace lines are not what is measured.
    platform::setLogSink([](std::string_view) {});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
