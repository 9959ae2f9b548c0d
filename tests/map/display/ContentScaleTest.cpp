// The map on panels of more than one pixel per point: the tiles of the zoom
// that matches the panel's pixels, drawn at their size in points, while the
// zoom, the camera and every position stay in points.
#include "MapFixture.h"
#include "MapTestPrinters.h"
#include "RMTileImage.h"
#include "RMTileImageSet.h"
#include "RMTileLoader.h"

#include <gtest/gtest.h>

#include <cmath>

using vantry::test::MapFixture;
using vantry::test::MapOptions;

namespace {

struct TileZoomCase {
    float scale;
    float zoom;
    float sourceMaxZoom;
    float tileZoom;
};

class TileZoomTest : public testing::TestWithParam<TileZoomCase> { };

TEST_P(TileZoomTest, IsTheZoomOfThePanelsPixelsWithinTheSource)
{
    const TileZoomCase& given = GetParam();
    MapOptions options;
    options.zoom = given.zoom;
    options.maxZoom = given.sourceMaxZoom;
    options.sourceMaxZoom = given.sourceMaxZoom;
    MapFixture map(options);
    map.view->setContentScaleFactor(given.scale);
    EXPECT_EQ(map.contents->tileZoom(), given.tileZoom);
    EXPECT_EQ(map.contents->tileLoader()->loadedZoom(), static_cast<uint32_t>(given.tileZoom));
    EXPECT_FLOAT_EQ(map.contents->zoom(), given.zoom) << "the zoom stays in points";
    const float side = 256 / std::exp2(given.tileZoom - given.zoom);
    for (const auto& image : map.contents->imagesOnScreen()->images()) {
        EXPECT_EQ(image->tile().zoom, given.tileZoom);
        EXPECT_NEAR(image->screenLocation().size.width, side, 0.01f) << "drawn at its size in points";
    }
}

INSTANTIATE_TEST_SUITE_P(Scales, TileZoomTest,
    testing::Values(TileZoomCase { 1, 13, 18, 13 }, TileZoomCase { 1, 13.6f, 18, 14 },
        TileZoomCase { 2, 13, 18, 14 }, TileZoomCase { 2, 13.4f, 18, 14 }, TileZoomCase { 2, 13.6f, 18, 15 },
        TileZoomCase { 3, 13, 18, 15 }, TileZoomCase { 3, 12.9f, 18, 14 }, TileZoomCase { 1.5f, 13, 18, 14 },
        TileZoomCase { 2, 17.5f, 18, 18 }, TileZoomCase { 2, 16, 16, 16 },
        TileZoomCase { 3, 15.2f, 16, 16 }));

TEST(ContentScaleTest, ANewScaleReplacesTheTilesAndKeepsTheCamera)
{
    MapFixture map;
    const CGRect bounds = map.contents->screenBounds();
    const RMLatLong center = map.contents->mapCenter();
    const std::size_t oneToOne = map.contents->imagesOnScreen()->count();
    map.view->setContentScaleFactor(2);
    EXPECT_EQ(map.contents->tileLoader()->loadedZoom(), 14u);
    EXPECT_TRUE(map.contents->tileLoader()->screenIsLoaded());
    EXPECT_GT(map.contents->imagesOnScreen()->count(), 2 * oneToOne) << "four times as many, about";
    EXPECT_TRUE(CGRectEqualToRect(map.contents->screenBounds(), bounds));
    EXPECT_NEAR(map.contents->mapCenter().latitude, center.latitude, 1e-9);
    EXPECT_NEAR(map.contents->mapCenter().longitude, center.longitude, 1e-9);

    map.contents->zoomByFactorNear(1.5f, CGPointMake(100, 100));
    EXPECT_EQ(map.contents->tileLoader()->loadedZoom(), 15u) << "13.58 in points, 14.58 in pixels";
    map.view->setContentScaleFactor(1);
    EXPECT_EQ(map.contents->tileLoader()->loadedZoom(), 14u);
    for (const auto& image : map.contents->imagesOnScreen()->images())
        EXPECT_EQ(image->tile().zoom, 14) << "no tile of the old scale stays";
}

} // namespace
