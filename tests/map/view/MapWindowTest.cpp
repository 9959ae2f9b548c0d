// The map as a person uses it: a window (offscreen) over the OpenStreetMap
// source of a loopback tile server, dragged and pinched by scripted
// fingers. Painted by the window itself, every tile and marker ends where
// the camera says.
#include "RMMapView.h"

#include "LogCapture.h"
#include "ManualClock.h"
#include "MapFixture.h"
#include "MapPictures.h"
#include "MapTestPrinters.h"
#include "RMMapContents.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"
#include "RMMercatorToScreenProjection.h"
#include "RMMercatorToTileProjection.h"
#include "RMOpenStreetMapSource.h"
#include "RMTileImage.h"
#include "RMTileImageSet.h"
#include "RMWebTileImage.h"
#include "RunLoop.h"
#include "TestImages.h"
#include "TileServer.h"
#include "TouchScript.h"

#include <QCoreApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using vantry::test::anchorMarker;
using vantry::test::kAnchorColour;

constexpr float kWidth = 640;
constexpr float kHeight = 480;
constexpr double kFrame = 1.0 / 60;

class MapWindowTest : public testing::Test {
protected:
    MapWindowTest()
    {
        RMOpenStreetMapSource::setTileHost("127.0.0.1:" + std::to_string(server.port()));
        contents = RMMapContents::create(view.get()).get();
        view->setBackgroundColor(platform::Color { 1, 0, 1, 1 });
        contents->setZoom(14);
        contents->moveToLatLong(RMLatLong { 51.5007, -0.1246 });
        for (const CGPoint at : { CGPointMake(320, 240), CGPointMake(100, 80), CGPointMake(500, 400) }) {
            auto marker = anchorMarker();
            contents->markerManager().addMarkerAtLatLong(marker, contents->pixelToLatLong(at));
            markers.push_back(marker);
        }
        view->show();
        QCoreApplication::processEvents();
        waitForTiles();
        log.take();
    }
    ~MapWindowTest() override
    {
        view.reset();
        log.take();
        RMOpenStreetMapSource::setTileHost("");
    }

    void waitForTiles()
    {
        ASSERT_TRUE(
            platform::RunLoop::runUntil([this] { return vantry::test::everyWebTileArrived(*contents); }, 20));
    }

    CGPoint screenOf(RMProjectedPoint point) const
    {
        return contents->mercatorToScreenProjection()->projectXYPoint(point);
    }
    RMProjectedPoint under(CGPoint pixel) const
    {
        return contents->mercatorToScreenProjection()->projectScreenPointToXY(pixel);
    }

    // Where the camera shows a projected point, worked out in double and
    // without wrapping (the map stays far from the 180° meridian).
    CGPoint pixelOf(RMProjectedPoint point) const
    {
        const RMProjectedRect area = contents->projectedBounds();
        const double scale = contents->metersPerPixel();
        return CGPointMake(static_cast<float>((point.easting - area.origin.easting) / scale),
            static_cast<float>((area.origin.northing + area.size.height - point.northing) / scale));
    }

    // Moves the fingers from `from` to `to` in `steps` events a frame apart.
    void glide(const std::vector<QPointF>& from, const std::vector<QPointF>& to, int steps)
    {
        for (int step = 1; step <= steps; ++step) {
            script.wait(kFrame);
            for (std::size_t finger = 0; finger < from.size(); ++finger)
                script.move(
                    static_cast<int>(finger), from[finger] + (to[finger] - from[finger]) * step / steps);
            script.send();
        }
    }

    // The window's own painting: every tile corner in view lies where the
    // camera puts it and shows its tile, the markers' anchors sit on their
    // positions, and nothing is left unpainted.
    void expectEverythingWhereTheCameraSays()
    {
        const QImage picture = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(QSize(static_cast<int>(kWidth), static_cast<int>(kHeight)), picture.size());
        EXPECT_EQ(0, vantry::test::countGaps(picture));

        int corners = 0;
        const auto inDouble = [this](RMProjectedPoint point) { return pixelOf(point); };
        for (const vantry::test::TileCorner& corner : vantry::test::tileCorners(*contents, inDouble)) {
            const CGPoint at = corner.at;
            SCOPED_TRACE(testing::PrintToString(corner.image->tile()) + " at " + testing::PrintToString(at));
            // Within what a float northing of about 6.7e6 m allows (0.5 m).
            EXPECT_NEAR(at.x, corner.image->screenLocation().origin.x, 0.1);
            EXPECT_NEAR(at.y, corner.image->screenLocation().origin.y, 0.1);
            if (at.x < 0 || at.y < 0 || at.x + corner.cell > kWidth || at.y + corner.cell > kHeight)
                continue;
            ++corners;
            EXPECT_TRUE(vantry::test::showsOwnColourInFirstCell(picture, corner));
        }
        EXPECT_GT(corners, 0);

        int anchors = 0;
        for (const auto& marker : markers) {
            const CGPoint at = pixelOf(marker->projectedLocation());
            if (at.x < 1 || at.y < 1 || at.x >= kWidth - 1 || at.y >= kHeight - 1)
                continue;
            ++anchors;
            SCOPED_TRACE(testing::PrintToString(at));
            EXPECT_NEAR(at.x, marker->position().x, 0.1);
            EXPECT_NEAR(at.y, marker->position().y, 0.1);
            // An anchor on a pixel's edge may be drawn on either side.
            bool found = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx)
                    found = found
                        || picture.pixel(static_cast<int>(at.x) + dx, static_cast<int>(at.y) + dy)
                            == kAnchorColour;
            }
            EXPECT_TRUE(found);
        }
        EXPECT_GT(anchors, 0);
    }

    vantry::test::ManualClock clock { 1000 };
    vantry::test::LogCapture log;
    vantry::test::TileServer server;
    std::unique_ptr<RMMapView> view = std::make_unique<RMMapView>(CGRectMake(0, 0, kWidth, kHeight));
    RMMapContents* contents = nullptr;
    std::vector<std::shared_ptr<RMMarker>> markers;
    vantry::test::TouchScript script { *view, &clock };
};

TEST_F(MapWindowTest, ADragAndAPinchLeaveTilesAndMarkersWhereTheCameraSays)
{
    expectEverythingWhereTheCameraSays();
    const RMProjectedPoint held = under(CGPointMake(320, 240));

    script.press(0, { 320, 240 }).send();
    glide({ { 320, 240 } }, { { 220, 180 } }, 20);
    script.release(0).send();
    EXPECT_TRUE(RMMapContents::performExpensiveOperations());
    const CGPoint dragged = screenOf(held);
    EXPECT_NEAR(220, dragged.x, 0.01);
    EXPECT_NEAR(180, dragged.y, 0.01);
    waitForTiles();
    expectEverythingWhereTheCameraSays();

    // Fingers 100 points apart spread to 150 about (320, 240).
    script.wait(1);
    script.press(0, { 270, 240 }).press(1, { 370, 240 }).send();
    glide({ { 270, 240 }, { 370, 240 } }, { { 245, 240 }, { 395, 240 } }, 10);
    script.release(0).release(1).send();
    EXPECT_NEAR(14 + std::log2(1.5f), contents->zoom(), 1e-3);
    const CGPoint pinched = screenOf(held);
    EXPECT_NEAR(320 + (220 - 320) * 1.5f, pinched.x, 0.02);
    EXPECT_NEAR(240 + (180 - 240) * 1.5f, pinched.y, 0.02);
    waitForTiles();
    expectEverythingWhereTheCameraSays();
    for (const std::string& line : log.take())
        EXPECT_FALSE(line.starts_with("Tile could not be loaded")) << line;
}

} // namespace
