// The whole way from a tile server to pixels: the map contents over the
// OpenStreetMap source (through the cache chain) of a loopback tile server
// whose tiles show their z/x/y and grid lines, painted by the compositor.
// Read back, each tile's corner lies where the camera says and markers sit
// on their positions, with no gap anywhere.
#include "Clock.h"
#include "Compositor.h"
#include "LogCapture.h"
#include "MapFixture.h"
#include "MapPictures.h"
#include "MapTestPrinters.h"
#include "RMMapContents.h"
#include "RMMapView.h"
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

#include <QImage>
#include <QPainter>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

using testing::ElementsAre;

using vantry::test::anchorMarker;
using vantry::test::colourDistance;
using vantry::test::kAnchorColour;
using vantry::test::kGapColour;

namespace {

// A grid line, even where scaling blends it with the tile's colour.
bool isLine(QRgb pixel, const QColor& tile)
{
    return qGray(pixel) < qGray(tile.rgb()) - 40;
}

class SnapshotTest : public testing::Test {
protected:
    SnapshotTest()
    {
        RMOpenStreetMapSource::setTileHost("127.0.0.1:" + std::to_string(server.port()));
        view = std::make_unique<RMMapView>(CGRectMake(0, 0, 640, 480));
        contents = RMMapContents::create(view.get()).get();
        log.take();
    }
    ~SnapshotTest() override
    {
        view.reset();
        log.take();
        RMOpenStreetMapSource::setTileHost("");
    }

    void showAndWait(RMLatLong center, float zoom)
    {
        contents->setZoom(zoom);
        contents->moveToLatLong(center);
        waitForTiles();
    }

    void waitForTiles()
    {
        ASSERT_TRUE(
            platform::RunLoop::runUntil([this] { return vantry::test::everyWebTileArrived(*contents); }, 20));
        for (const std::string& line : log.take())
            ADD_FAILURE() << line;
    }

    QImage paint() const
    {
        QImage picture(640, 480, QImage::Format_ARGB32_Premultiplied);
        picture.fill(kGapColour);
        QPainter painter(&picture);
        platform::Compositor::paint(painter, view->layer(), platform::Clock::current().now());
        return picture;
    }

    // Checks every tile corner on screen against the camera, and that the
    // whole picture is covered.
    void expectTilesWhereTheCameraSays(const QImage& picture)
    {
        EXPECT_EQ(0, vantry::test::countGaps(picture));

        int corners = 0;
        const auto camera = [this](RMProjectedPoint point) {
            return contents->mercatorToScreenProjection()->projectXYPoint(point);
        };
        for (const vantry::test::TileCorner& corner : vantry::test::tileCorners(*contents, camera)) {
            const RMTile tile = corner.image->tile();
            const CGPoint at = corner.at;
            const float cell = corner.cell;
            if (at.x < 4 || at.y < 4 || at.x + cell > 636 || at.y + cell > 476)
                continue;
            ++corners;
            SCOPED_TRACE(testing::PrintToString(tile) + " at " + testing::PrintToString(at));
            EXPECT_TRUE(vantry::test::showsOwnColourInFirstCell(picture, corner));
            const QColor own
                = vantry::test::tileColor(tile.zoom, static_cast<int>(tile.x), static_cast<int>(tile.y));
            // The grid line at the tile's edge is within a pixel of the
            // camera's corner, on both axes.
            const int row = static_cast<int>(at.y + cell / 2);
            const int column = static_cast<int>(at.x + cell / 2);
            bool verticalEdge = false;
            bool horizontalEdge = false;
            for (int d = -1; d <= 1; ++d) {
                verticalEdge
                    = verticalEdge || isLine(picture.pixel(static_cast<int>(std::floor(at.x)) + d, row), own);
                horizontalEdge = horizontalEdge
                    || isLine(picture.pixel(column, static_cast<int>(std::floor(at.y)) + d), own);
            }
            EXPECT_TRUE(verticalEdge);
            EXPECT_TRUE(horizontalEdge);
            // Two pixels west of the edge: the western neighbour's colour.
            const QColor west
                = vantry::test::tileColor(tile.zoom, static_cast<int>(tile.x) - 1, static_cast<int>(tile.y));
            EXPECT_LE(colourDistance(picture.pixel(static_cast<int>(std::floor(at.x)) - 2, row), west), 3);
        }
        EXPECT_GT(corners, 0);
        contents->printDebuggingInformation();
        EXPECT_THAT(log.take(), ElementsAre("Biggest seam right: 0.000000  down: 0.000000"));
    }

    void expectAnchorAt(const QImage& picture, RMLatLong where)
    {
        const CGPoint pixel = contents->latLongToPixel(where);
        SCOPED_TRACE(testing::PrintToString(pixel));
        EXPECT_EQ(kAnchorColour,
            picture.pixel(static_cast<int>(std::floor(pixel.x)), static_cast<int>(std::floor(pixel.y))));
    }

    vantry::test::TileServer server;
    vantry::test::LogCapture log;
    std::unique_ptr<RMMapView> view;
    RMMapContents* contents = nullptr;
};

struct ZoomCase {
    RMLatLong center;
    float zoom;
};

class SnapshotZoomTest : public SnapshotTest, public testing::WithParamInterface<ZoomCase> { };

TEST_P(SnapshotZoomTest, TilesLieWhereTheCameraSaysWithoutSeams)
{
    showAndWait(GetParam().center, GetParam().zoom);
    expectTilesWhereTheCameraSays(paint());
}

INSTANTIATE_TEST_SUITE_P(Zooms, SnapshotZoomTest,
    testing::Values(ZoomCase { { 51.5007, -0.1246 }, 14 }, ZoomCase { { 51.5007, -0.1246 }, 13.37f },
        ZoomCase { { 51.5007, -0.1246 }, 12.6f }, ZoomCase { { 48.8584, 2.2945 }, 15 },
        ZoomCase { { 40.7128, -74.006 }, 11.5f }, ZoomCase { { -33.8568, 151.2153 }, 9.25f }));

TEST_F(SnapshotTest, AMarkersAnchorStaysOnItsPositionThroughPansAndZooms)
{
    const RMLatLong where { 51.5033, -0.1196 };
    showAndWait(RMLatLong { 51.5007, -0.1246 }, 15);
    contents->markerManager().addMarkerAtLatLong(anchorMarker(), where);
    expectAnchorAt(paint(), where);

    contents->moveBy(CGSizeMake(37.5f, -12.25f));
    waitForTiles();
    expectAnchorAt(paint(), where);

    contents->zoomByFactorNear(1.3f, CGPointMake(200, 300));
    waitForTiles();
    expectAnchorAt(paint(), where);

    contents->setZoom(14.5f);
    waitForTiles();
    const QImage picture = paint();
    expectAnchorAt(picture, where);
    expectTilesWhereTheCameraSays(picture);
}

struct WrapCase {
    CGSize size;
    float zoom;
    RMLatLong center;
};

class WrappedWorldTest : public testing::TestWithParam<WrapCase> { };

// When the world is only a little wider than the screen, columns at both
// ends show the same tiles; the tile's one image moved to the last of them
// and left a grey strip at the first.
TEST_P(WrappedWorldTest, EveryColumnOfTheScreenShowsItsTile)
{
    const auto [size, zoom, center] = GetParam();
    vantry::test::MapOptions options;
    options.frame = CGRectMake(0, 0, size.width, size.height);
    options.center = center;
    options.zoom = zoom;
    options.pictures = true;
    vantry::test::MapFixture map(options);
    map.view->setBackgroundColor(platform::Color { 1, 0, 1, 1 });
    QImage picture(
        static_cast<int>(size.width), static_cast<int>(size.height), QImage::Format_ARGB32_Premultiplied);
    picture.fill(kGapColour);
    QPainter painter(&picture);
    platform::Compositor::paint(painter, map.view->layer(), map.clock.now());
    painter.end();

    int firstGap = -1;
    for (int x = 0; x < picture.width() && firstGap < 0; ++x) {
        for (int y = 0; y < picture.height(); ++y) {
            if (picture.pixel(x, y) == kGapColour.rgb()) {
                firstGap = x;
                break;
            }
        }
    }
    EXPECT_EQ(firstGap, -1) << "a column without tiles";
}

INSTANTIATE_TEST_SUITE_P(LowZooms, WrappedWorldTest,
    testing::Values(WrapCase { CGSizeMake(1920, 1080), 3, { 0, -20 } },
        WrapCase { CGSizeMake(1000, 600), 2, RMMapContents::kDefaultCenter },
        WrapCase { CGSizeMake(500, 400), 1, { 0, 136.4 } }));

} // namespace
