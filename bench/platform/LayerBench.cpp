// Cost of the layer change hook: moving a tile layer as the tile loader does
// on every pan step, with the setter telling the hosting view (walk up to the
// root, ask the view, which has a repaint pending already) against a layer
// without a host and against writing the same fields of a plain struct (what
// the setter cost before the hook). For scale: one paint of the same tree
// with 256-point tile pictures into a phone-sized window.
#include "BenchmarkMain.h"
#include "CGGeometry.h"
#include "Compositor.h"
#include "Image.h"
#include "Layer.h"
#include "View.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <vector>

namespace {

using platform::Layer;

constexpr std::size_t tileCount = 64;

// root > contents > tile set > 64 tiles, as the map view stacks them.
struct Tree {
    explicit Tree(Layer& root)
    {
        root.addSublayer(contents);
        contents->addSublayer(tiles);
        for (std::size_t i = 0; i < tileCount; ++i) {
            layers.push_back(std::make_shared<Layer>());
            tiles->addSublayer(layers.back());
        }
    }

    std::shared_ptr<Layer> contents = std::make_shared<Layer>();
    std::shared_ptr<Layer> tiles = std::make_shared<Layer>();
    std::vector<std::shared_ptr<Layer>> layers;
};

// Each iteration moves one tile to a new place.
void moveTiles(benchmark::State& state, const std::vector<std::shared_ptr<Layer>>& layers)
{
    std::size_t step = 0;
    for (auto _ : state) {
        Layer& tile = *layers[step % tileCount];
        tile.setPosition(CGPoint { static_cast<float>(step & 0xff), 128 });
        ++step;
    }
    benchmark::ClobberMemory();
}

void BM_PlainStruct(benchmark::State& state)
{
    struct Tile {
        CGPoint position;
        CGRect bounds;
    };
    std::array<Tile, tileCount> tiles {};
    std::size_t step = 0;
    for (auto _ : state) {
        Tile& tile = tiles[step % tileCount];
        benchmark::DoNotOptimize(&tile);
        tile.position = CGPoint { static_cast<float>(step & 0xff), 128 };
        benchmark::ClobberMemory();
        ++step;
    }
}
BENCHMARK(BM_PlainStruct);

void BM_SetPositionWithoutHost(benchmark::State& state)
{
    Layer root;
    const Tree tree(root);
    moveTiles(state, tree.layers);
}
BENCHMARK(BM_SetPositionWithoutHost);

void BM_SetPositionInAView(benchmark::State& state)
{
    platform::View view(CGRectMake(0, 0, 320, 460));
    view.show();
    const Tree tree(view.layer());
    moveTiles(state, tree.layers);
}
BENCHMARK(BM_SetPositionInAView);

void BM_SetPositionUnchanged(benchmark::State& state)
{
    platform::View view(CGRectMake(0, 0, 320, 460));
    view.show();
    const Tree tree(view.layer());
    std::size_t step = 0;
    for (auto _ : state) {
        tree.layers[step % tileCount]->setPosition(CGPoint { 7, 128 });
        ++step;
    }
}
BENCHMARK(BM_SetPositionUnchanged);

void BM_PaintFrame(benchmark::State& state)
{
    Layer root;
    root.setAnchorPoint(CGPointZero);
    root.setBounds(CGRectMake(0, 0, 320, 460));
    const Tree tree(root);
    QImage tilePixels(256, 256, QImage::Format_RGB32);
    tilePixels.fill(Qt::darkGreen);
    const platform::Image picture = platform::Image::fromQImage(tilePixels);
    for (std::size_t i = 0; i < tileCount; ++i) {
        Layer& tile = *tree.layers[i];
        tile.setAnchorPoint(CGPointZero);
        tile.setBounds(CGRectMake(0, 0, 256, 256));
        tile.setPosition(
            CGPoint { static_cast<float>(i % 8) * 256 - 100, static_cast<float>(i / 8) * 256 - 100 });
        tile.setContents(picture);
    }
    QImage screen(320, 460, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&screen);
        platform::Compositor::paint(painter, root, 0);
    }
}
BENCHMARK(BM_PaintFrame);

} // namespace

int main(int argc, char** argv)
{
    return vantry::bench::runBenchmarks(argc, argv,
        { { "position change in a view beside a plain struct", "BM_SetPositionInAView", 0,
            "BM_PlainStruct" } });
}
