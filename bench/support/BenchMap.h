#pragma once

#include "MemoryTileSource.h"
#include "RMLatLong.h"
#include "RMMapView.h"

#include <memory>
#include <string>

class RMMapContents;

namespace vantry::bench {

// A screen the map benchmarks draw for: its size in points and its panel's
// pixels per point.
struct BenchScreen {
    const char* name;
    int width;
    int height;
    float ratio;

    int pixelWidth() const { return static_cast<int>(static_cast<float>(width) * ratio); }
    int pixelHeight() const { return static_cast<int>(static_cast<float>(height) * ratio); }
};

// A desktop screen, and a phone's panel of 1080 × 2340 pixels at 3 pixels
// per point.
inline constexpr BenchScreen kDesktop { "desktop", 1920, 1080, 1 };
inline constexpr BenchScreen kPhone { "phone", 360, 780, 3 };

// A map view filling a screen about Westminster at a given zoom, with 200
// markers (21 × 21-point red pins) scattered over it, the same places on
// every run; its content scale factor is the screen's, so it shows the
// tiles of the zoom that matches the panel's pixels. Its tiles are the
// tile art's pictures decoded in memory: no network, no caches. The view is
// not shown.
class BenchMap {
public:
    static constexpr int kWidth = kDesktop.width;
    static constexpr int kHeight = kDesktop.height;
    static constexpr int kMarkers = 200;
    static constexpr RMLatLong kCenter { 51.5007, -0.1246 };

    explicit BenchMap(float zoom, BenchScreen screen = kDesktop);
    BenchMap(const BenchMap&) = delete;
    BenchMap& operator=(const BenchMap&) = delete;

    RMMapView& view() { return view_; }
    // Owned by the view.
    RMMapContents& contents() { return *contents_; }
    const BenchScreen& screen() const { return screen_; }

private:
    BenchScreen screen_;
    std::shared_ptr<vantry::test::MemoryTileSource> source_;
    RMMapView view_;
    RMMapContents* contents_ = nullptr;
};

} // namespace vantry::bench
