#pragma once

#include "MemoryTileSource.h"
#include "RMLatLong.h"
#include "RMMapView.h"

#include <memory>

class RMMapContents;

namespace vantry::bench {

// A map view of 1920 × 1080 points about Westminster at a given zoom, with
// 200 markers (21 × 21 red pins) scattered over the screen, the same places
// on every run. Its tiles are the tile art's pictures decoded in memory: no
// network, no caches. The view is not shown.
class BenchMap {
public:
    static constexpr int kWidth = 1920;
    static constexpr int kHeight = 1080;
    static constexpr int kMarkers = 200;
    static constexpr RMLatLong kCenter { 51.5007, -0.1246 };

    explicit BenchMap(float zoom);
    BenchMap(const BenchMap&) = delete;
    BenchMap& operator=(const BenchMap&) = delete;

    RMMapView& view() { return view_; }
    // Owned by the view.
    RMMapContents& contents() { return *contents_; }

private:
    std::shared_ptr<vantry::test::MemoryTileSource> source_;
    RMMapView view_;
    RMMapContents* contents_ = nullptr;
};

} // namespace vantry::bench
