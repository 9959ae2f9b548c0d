#include "BenchMap.h"

#include "Image.h"
#include "RMMapContents.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"

#include <QImage>

#include <random>

namespace vantry::bench {

BenchMap::BenchMap(float zoom, BenchScreen screen)
    : screen_(screen)
    , source_(std::make_shared<vantry::test::MemoryTileSource>(true))
    , view_(CGRectMake(0, 0, static_cast<float>(screen.width), static_cast<float>(screen.height)))
{
    view_.setContentScaleFactor(screen.ratio);
    contents_
        = RMMapContents::create(&view_, vantry::test::withoutCaches(source_), kCenter, zoom, 18, 0, {}).get();
    QImage pin(21, 21, QImage::Format_ARGB32_Premultiplied);
    pin.fill(QColor(214, 39, 40));
    const platform::Image picture = platform::Image::fromQImage(pin);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> x(0, static_cast<float>(screen.width));
    std::uniform_real_distribution<float> y(0, static_cast<float>(screen.height));
    for (int i = 0; i < kMarkers; ++i) {
        contents_->markerManager().addMarkerAtLatLong(std::make_shared<RMMarker>(picture),
            contents_->pixelToLatLong(CGPointMake(x(random), y(random))));
    }
}

} // namespace vantry::bench
