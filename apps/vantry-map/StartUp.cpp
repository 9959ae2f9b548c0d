#include "StartUp.h"

#include "Clock.h"
#include "MapWindow.h"
#include "RMMapContents.h"
#include "RMTileImageSet.h"
#include "RunLoop.h"
#include "TileCount.h"

#include <QEvent>
#include <QObject>

#include <cstdio>

namespace {

// Watches the map view's frames for the first one that draws every tile on
// screen: a frame painted while every tile has its picture.
class FullFrameWatch : public QObject {
public:
    explicit FullFrameWatch(RMMapView& view)
        : view_(view)
    {
        view_.installEventFilter(this);
    }
    ~FullFrameWatch() override { view_.removeEventFilter(this); }
    FullFrameWatch(const FullFrameWatch&) = delete;
    FullFrameWatch& operator=(const FullFrameWatch&) = delete;

    bool seen() const { return seen_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &view_ && event->type() == QEvent::Paint && !seen_) {
            const TileCount count = countTiles(*view_.contents().imagesOnScreen());
            seen_ = count.total > 0 && count.loaded == count.total;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    RMMapView& view_;
    bool seen_ = false;
};

} // namespace

int runStartUp(
    const StartUpOptions& options, const std::vector<platform::Image>& markerPictures, double launchedAt)
{
    MapWindow map(options.map, markerPictures);
    const FullFrameWatch watch(map.view());
    map.show();
    // The paint that draws the frame runs to its end before the loop looks.
    const bool drawn = platform::RunLoop::runUntil([&watch] { return watch.seen(); }, options.timeout);
    const double milliseconds = (platform::Clock::current().now() - launchedAt) * 1000;
    const TileCount count = countTiles(*map.view().contents().imagesOnScreen());
    if (!drawn) {
        std::fprintf(stderr, "vantry-map: gave up waiting after %g seconds: %zu of %zu tiles drawn\n",
            options.timeout, count.loaded, count.total);
        return kStartUpTimedOut;
    }
    std::printf("first full frame: %.0fx%.0f points, %zu tiles, %.1f ms after start\n",
        options.map.size.width, options.map.size.height, count.total, milliseconds);
    std::fflush(stdout);
    return kStartUpDrawn;
}
