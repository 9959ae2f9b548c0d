// The map on a panel of 2 pixels per point, as Qt's offscreen platform
// makes it under QT_SCALE_FACTOR=2 (this program's tests run so): one tile
// pixel on one panel pixel, the view and the camera in points.
#include "Image.h"
#include "MapFixture.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"
#include "RMTileImage.h"
#include "RMTileImageSet.h"
#include "TestImages.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <gtest/gtest.h>

#include <cmath>

using vantry::test::MapFixture;
using vantry::test::MapOptions;

namespace {

int nearestPixel(float points)
{
    return static_cast<int>(std::floor(points * 2 + 0.5f));
}

// Compares every tile lying wholly on the panel with its picture, pixel by
// pixel; returns how many tiles were compared.
int expectTilesOneToOne(const MapFixture& map, const QImage& panel)
{
    int compared = 0;
    for (const auto& image : map.contents->imagesOnScreen()->images()) {
        const CGRect at = image->screenLocation();
        const int left = nearestPixel(at.origin.x);
        const int top = nearestPixel(at.origin.y);
        if (left < 0 || top < 0 || left + 256 > panel.width() || top + 256 > panel.height())
            continue;
        const RMTile tile = image->tile();
        const QImage picture
            = vantry::test::makeTileImage(tile.zoom, static_cast<int>(tile.x), static_cast<int>(tile.y))
                  .convertToFormat(QImage::Format_RGB32);
        int different = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                different += panel.pixel(left + x, top + y) != picture.pixel(x, y) ? 1 : 0;
        EXPECT_EQ(different, 0) << "tile " << tile.zoom << "/" << tile.x << "/" << tile.y;
        ++compared;
    }
    return compared;
}

class RatioTwoTest : public testing::Test {
protected:
    RatioTwoTest()
    {
        MapOptions options;
        options.pictures = true;
        options.zoom = 13;
        map = std::make_unique<MapFixture>(options);
        map->view->show();
        QCoreApplication::processEvents();
    }

    QImage panel() const { return map->view->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    std::unique_ptr<MapFixture> map;
};

} // namespace

TEST_F(RatioTwoTest, TheViewIsInPointsOnAPanelOfTwoPixelsEach)
{
    ASSERT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2) << "run with QT_SCALE_FACTOR=2";
    EXPECT_EQ(map->view->contentScaleFactor(), 2);
    EXPECT_TRUE(CGRectEqualToRect(map->view->bounds(), CGRectMake(0, 0, 320, 480)));
    EXPECT_TRUE(CGRectEqualToRect(map->contents->screenBounds(), CGRectMake(0, 0, 320, 480)));
    EXPECT_FLOAT_EQ(map->contents->zoom(), 13);
    EXPECT_EQ(map->contents->tileZoom(), 14) << "one level deeper";
    EXPECT_EQ(panel().size(), QSize(640, 960));
}

TEST_F(RatioTwoTest, EveryTilePixelLandsOnOnePanelPixel)
{
    EXPECT_GE(expectTilesOneToOne(*map, panel()), 2);
    // Between panel pixels too.
    map->contents->moveBy(CGSizeMake(10.3f, -7.7f));
    QCoreApplication::processEvents();
    EXPECT_GE(expectTilesOneToOne(*map, panel()), 2);
}

// The program's own pictures come in the panel's resolution and land one to
// one on its pixels, at their size in points.
TEST_F(RatioTwoTest, PicturesOfThePanelsResolutionLandOneToOne)
{
    const platform::Image pin = platform::Image::named("marker");
    ASSERT_EQ(pin.scale(), 2);
    EXPECT_EQ(pin.width(), 50);
    auto marker = std::make_shared<RMMarker>(pin, CGPointMake(0, 0));
    map->contents->markerManager().addMarkerAtLatLong(marker, map->contents->mapCenter());
    QCoreApplication::processEvents();
    EXPECT_EQ(marker->bounds().size.width, 25);
    const QImage shown = panel();
    const int left = nearestPixel(marker->position().x);
    const int top = nearestPixel(marker->position().y);
    const QImage expected = pin.pixels();
    int different = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            if (qAlpha(expected.pixel(x, y)) == 255)
                different += shown.pixel(left + x, top + y) != expected.pixel(x, y) ? 1 : 0;
        }
    EXPECT_EQ(different, 0);
}
