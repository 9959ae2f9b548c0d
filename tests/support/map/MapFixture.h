#pragma once

// A map view with contents over memory tiles, on a manual clock, with the
// log captured: the common ground of the contents, view and display tests.

#include "LogCapture.h"
#include "ManualClock.h"
#include "MemoryTileSource.h"
#include "RMMapContents.h"
#include "RMMapView.h"
#include "RMTileImageSet.h"
#include "RMWebTileImage.h"
#include "TraceLines.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantry::test {

struct MapOptions {
    CGRect frame = CGRectMake(0, 0, 320, 480);
    // Near Greenwich, where eastings are small: the camera converts the
    // origin's easting to float, which costs up to 0.04 points at zoom 13
    // as far east as the default centre.
    RMLatLong center { 51.5007, -0.1246 };
    float zoom = 13;
    float maxZoom = 18;
    float minZoom = 0;
    bool pictures = false;
    float sourceMinZoom = 0;
    float sourceMaxZoom = 18;
    // Makes the view (a derived kind, say); null: a plain RMMapView.
    std::function<std::unique_ptr<RMMapView>(CGRect)> makeView {};
};

// Contents over memory tiles at (0, 0), zoom 13, for a view a test makes
// itself (and may destroy); the view owns them too.
inline std::shared_ptr<RMMapContents> memoryContentsFor(RMMapView& view)
{
    return RMMapContents::create(
        &view, withoutCaches(std::make_shared<MemoryTileSource>()), RMLatLong { 0, 0 }, 13, 18, 0, {});
}

// Whether every web tile on the contents' screen holds its picture: none is
// still downloading, none failed.
inline bool everyWebTileArrived(const RMMapContents& contents)
{
    for (const auto& image : contents.imagesOnScreen()->images()) {
        const auto* web = dynamic_cast<const RMWebTileImage*>(image.get());
        if (web && web->connection())
            return false;
    }
    return true;
}

class MapFixture {
public:
    explicit MapFixture(const MapOptions& options = {})
        : source(std::make_shared<MemoryTileSource>(
            options.pictures, options.sourceMinZoom, options.sourceMaxZoom))
        , view(
              options.makeView ? options.makeView(options.frame) : std::make_unique<RMMapView>(options.frame))
    {
        EXPECT_EQ(viewConstructionLines(options.frame), log.take());
        contents = RMMapContents::create(view.get(), withoutCaches(source), options.center, options.zoom,
            options.maxZoom, options.minZoom, {})
                       .get();
        const std::vector<std::string> lines = log.take();
        EXPECT_EQ(3u, lines.size());
        if (lines.size() == 3) {
            EXPECT_TRUE(isTraceLine(lines[0],
                "initWithView:tilesource:centerLatLon:zoomLevel:maxZoomLevel:minZoomLevel:backgroundImage:",
                contents->description()))
                << lines[0];
            EXPECT_TRUE(lines[1].starts_with("Map contents initialised. view: " + view->description()))
                << lines[1];
            // New contents set the view up afresh.
            EXPECT_EQ(viewTraceLine("performInitialSetup", view->description(), 58), lines[2]);
        }
    }

    ~MapFixture()
    {
        const std::string contentsDescription = contents->description();
        const std::string viewDescription = view->description();
        view.reset();
        const std::vector<std::string> lines = log.take();
        EXPECT_EQ(3u, lines.size());
        if (lines.size() == 3) {
            EXPECT_EQ(viewTraceLine("dealloc", viewDescription, 119), lines[0]);
            EXPECT_TRUE(isTraceLine(lines[1], "dealloc", contentsDescription)) << lines[1];
            // Letting the contents go sets the view up once more.
            EXPECT_EQ(viewTraceLine("performInitialSetup", viewDescription, 58), lines[2]);
        }
    }

    MapFixture(const MapFixture&) = delete;
    MapFixture& operator=(const MapFixture&) = delete;

    ManualClock clock { 1000 };
    LogCapture log;
    std::shared_ptr<MemoryTileSource> source;
    std::unique_ptr<RMMapView> view;
    // Owned by the view.
    RMMapContents* contents = nullptr;
};

} // namespace vantry::test
