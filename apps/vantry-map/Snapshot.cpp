#include "Snapshot.h"

#include "Clock.h"
#include "Compositor.h"
#include "Image.h"
#include "Log.h"
#include "RMMapContents.h"
#include "RMMapView.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"
#include "RMOpenStreetMapSource.h"
#include "RMTileImageSet.h"
#include "RunLoop.h"
#include "TileCount.h"
#include "Timer.h"

#include <QImage>
#include <QPainter>
#include <QString>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>

namespace {

constexpr double kProgressInterval = 0.25;
constexpr std::string_view kFailurePrefix = "Tile could not be loaded: ";

// Writes log lines to stderr once each, and keeps the reason the first tile
// could not be loaded.
class SnapshotLog {
public:
    SnapshotLog()
    {
        previous_ = base::setLogSink([this](std::string_view line) {
            if (line.starts_with(kFailurePrefix) && failure_.empty())
                failure_ = line.substr(kFailurePrefix.size());
            if (!seen_.emplace(line).second)
                return;
            std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
        });
    }
    ~SnapshotLog() { base::setLogSink(std::move(previous_)); }
    SnapshotLog(const SnapshotLog&) = delete;
    SnapshotLog& operator=(const SnapshotLog&) = delete;

    const std::string& failure() const { return failure_; }

private:
    base::LogSink previous_;
    std::set<std::string, std::less<>> seen_;
    std::string failure_;
};

class Progress {
public:
    explicit Progress(const RMTileImageSet& images)
        : images_(images)
        , terminal_(isatty(fileno(stderr)) != 0)
        , timer_(platform::Timer::scheduledTimer(kProgressInterval, true, [this] { show(false); }))
    { }

    void show(bool last)
    {
        const TileCount count = countTiles(images_);
        if (count == shown_ && !last)
            return;
        shown_ = count;
        std::fprintf(stderr, "%stiles: %zu of %zu loaded, %zu failed%s", terminal_ ? "\r" : "", count.loaded,
            count.total, count.failed, terminal_ && !last ? "" : "\n");
        std::fflush(stderr);
    }

private:
    const RMTileImageSet& images_;
    bool terminal_;
    TileCount shown_ { static_cast<std::size_t>(-1), 0, 0 };
    platform::Timer timer_;
};

bool writePicture(RMMapView& view, const SnapshotOptions& options)
{
    const CGSize pixels = options.pixelSize();
    QImage picture(static_cast<int>(std::lround(pixels.width)), static_cast<int>(std::lround(pixels.height)),
        QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(options.scale);
    picture.fill(QColor(224, 224, 224));
    QPainter painter(&picture);
    platform::Compositor::paint(painter, view.layer(), platform::Clock::current().now());
    painter.end();
    return picture.save(QString::fromStdString(options.out), "PNG");
}

} // namespace

int runSnapshot(const SnapshotOptions& options)
{
    // The time-out counts from here: opening a tile database that another
    // program holds locked takes part of it.
    const auto started = std::chrono::steady_clock::now();
    SnapshotLog log;
    if (!options.map.tileHost.empty())
        RMOpenStreetMapSource::setTileHost(options.map.tileHost);

    std::vector<std::shared_ptr<RMMarker>> markers;
    for (const MapViewOptions::Marker& marker : options.map.markers) {
        const platform::Image picture = platform::Image::fromFile(marker.picture);
        if (picture.isNull()) {
            std::fprintf(stderr, "vantry-map: cannot read the marker picture %s\n", marker.picture.c_str());
            return kSnapshotNotWritten;
        }
        markers.push_back(std::make_shared<RMMarker>(picture));
    }

    RMMapView view(CGRectMake(0, 0, options.map.size.width, options.map.size.height));
    view.setContentScaleFactor(options.scale);
    RMMapContents& contents = *createContents(view, options.map);
    for (std::size_t i = 0; i < markers.size(); ++i)
        contents.markerManager().addMarkerAtLatLong(markers[i], options.map.markers[i].position);

    const RMTileImageSet& images = *contents.imagesOnScreen();
    bool settled = false;
    {
        Progress progress(images);
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
        settled = platform::RunLoop::runUntil(
            [&images] { return countTiles(images).settled(); }, options.timeout - spent.count());
        progress.show(true);
    }
    const TileCount count = countTiles(images);

    if (count.total > 0 && count.failed == count.total) {
        const char* failure = log.failure().empty() ? "no answer" : log.failure().c_str();
        if (count.answered > 0)
            std::fprintf(stderr, "vantry-map: the tile server %s answered, but sent no tile: %s\n",
                RMOpenStreetMapSource::tileHost().c_str(), failure);
        else
            std::fprintf(stderr, "vantry-map: cannot reach the tile server %s: %s\n",
                RMOpenStreetMapSource::tileHost().c_str(), failure);
        return kNoTileLoaded;
    }
    if (!writePicture(view, options)) {
        std::fprintf(stderr, "vantry-map: cannot write %s\n", options.out.c_str());
        return kSnapshotNotWritten;
    }
    const CGSize pixels = options.pixelSize();
    std::printf("wrote %s: %.0fx%.0f pixels, %zu tiles, %zu markers\n", options.out.c_str(),
        std::round(pixels.width), std::round(pixels.height), count.loaded, markers.size());
    if (!settled) {
        std::fprintf(stderr, "vantry-map: gave up waiting after %g seconds: %zu of %zu tiles loaded\n",
            options.timeout, count.loaded, count.total);
        return kTilesTimedOut;
    }
    if (count.failed > 0)
        std::fprintf(stderr, "vantry-map: %zu of %zu tiles could not be loaded\n", count.failed, count.total);
    return kSnapshotWritten;
}
