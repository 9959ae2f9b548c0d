// Conversions between latitude/longitude, projected points and pixels,
// bounding boxes and the tiles-update delegate.
#include "RMMapContents.h"

#include "MapFixture.h"
#include "MapTestPrinters.h"
#include "RMMercatorToScreenProjection.h"
#include "RMTileLoader.h"
#include "RMTilesUpdateDelegate.h"

#include <gtest/gtest.h>

#include <vector>

using vantry::test::MapFixture;
using vantry::test::MapOptions;

namespace {

MapOptions centredOn(RMLatLong center, float zoom = 13)
{
    MapOptions options;
    options.center = center;
    options.zoom = zoom;
    return options;
}

TEST(RMMapContentsConversion, TheCentreIsTheMiddleOfTheScreenBothWays)
{
    MapFixture map(centredOn(RMLatLong { 51.5, -0.12 }));
    const CGPoint pixel = map.contents->latLongToPixel(map.contents->mapCenter());
    EXPECT_NEAR(160, pixel.x, 1e-3);
    EXPECT_NEAR(240, pixel.y, 1e-3);
    const RMLatLong back = map.contents->pixelToLatLong(CGPointMake(160, 240));
    EXPECT_NEAR(51.5, back.latitude, 1e-7);
    EXPECT_NEAR(-0.12, back.longitude, 1e-7);
}

TEST(RMMapContentsConversion, PointsBeyondTheDateLineWrap)
{
    MapFixture map(centredOn(RMLatLong { 0, 179.99 }, 10));
    const RMLatLong wrapped = map.contents->pixelToLatLong(CGPointMake(310, 240));
    EXPECT_LT(wrapped.longitude, -179.0);
    EXPECT_GE(wrapped.longitude, -180.0);
}

TEST(RMMapContentsConversion, ABoxAcrossTheDateLineKeepsEastBelowWest)
{
    MapFixture map(centredOn(RMLatLong { 0, 179.99 }, 10));
    const RMLatLongBounds box = map.contents->latitudeLongitudeBoundingBoxForScreen();
    EXPECT_GT(box.southWest.longitude, 179.0);
    EXPECT_LT(box.northEast.longitude, -179.0);
    EXPECT_GT(box.northEast.latitude, 0);
    EXPECT_LT(box.southWest.latitude, 0);
    EXPECT_NEAR(-box.southWest.latitude, box.northEast.latitude, 1e-9);
}

TEST(RMMapContentsConversion, ABoxOfAnOrdinaryRectangle)
{
    MapFixture map(centredOn(RMLatLong { 51.5, -0.12 }));
    const RMLatLongBounds box = map.contents->latitudeLongitudeBoundingBoxFor(CGRectMake(60, 140, 200, 200));
    const RMLatLong northWest = map.contents->pixelToLatLong(CGPointMake(60, 140));
    const RMLatLong southEast = map.contents->pixelToLatLong(CGPointMake(260, 340));
    EXPECT_EQ((RMLatLongBounds {
                  { northWest.latitude, southEast.longitude }, { southEast.latitude, northWest.longitude } }),
        box);
}

TEST(RMMapContentsConversion, ScaleDenominatorAndTilePoints)
{
    MapFixture map(centredOn(RMLatLong { 0, 0 }, 0));
    // The scale is a float.
    EXPECT_DOUBLE_EQ(static_cast<float>(156543.03390625) / 0.0001543, map.contents->scaleDenominator());
    map.contents->setMetersPerPixel(1);
    EXPECT_DOUBLE_EQ(6480.881399870382, map.contents->scaleDenominator());

    const RMTilePoint tile = map.contents->latLongToTilePointWithMetersPerPixel(
        RMLatLong { 0, 0 }, static_cast<float>(156543.03390625 / 2));
    EXPECT_EQ((RMTile { 1, 1, 1 }), tile.tile);
}

TEST(RMMapContentsConversion, TileBoundsCoverTheScreen)
{
    MapFixture map(centredOn(RMLatLong { 51.5, -0.12 }, 13));
    const RMTileRect rect = map.contents->tileBounds();
    EXPECT_EQ(13, rect.origin.tile.zoom);
    EXPECT_NEAR(320.0f / 256, rect.size.width, 1e-4);
    EXPECT_NEAR(480.0f / 256, rect.size.height, 1e-4);
}

class Regions : public RMTilesUpdateDelegate, public RMTilesUpdateDelegate::RegionUpdate {
public:
    void regionUpdate(RMLatLongBounds region) override { regions.push_back(region); }
    std::vector<RMLatLongBounds> regions;
};

TEST(RMMapContentsTilesUpdate, TheDelegateHearsOfEachLoadedRegion)
{
    MapFixture map(centredOn(RMLatLong { 51.5, -0.12 }));
    Regions delegate;
    map.contents->setTilesUpdateDelegate(&delegate);
    EXPECT_EQ(&delegate, map.contents->tilesUpdateDelegate());
    map.contents->moveBy(CGSizeMake(400, 0));
    ASSERT_EQ(1u, delegate.regions.size());
    EXPECT_EQ(map.contents->latitudeLongitudeBoundingBoxFor(map.contents->tileLoader()->loadedBounds()),
        delegate.regions[0]);
    map.contents->moveBy(CGSizeMake(1, 0));
    EXPECT_EQ(1u, delegate.regions.size());
}

TEST(RMMapContentsTilesUpdate, ADelegateWithoutTheOperationHearsNothing)
{
    MapFixture map;
    RMTilesUpdateDelegate silent;
    map.contents->setTilesUpdateDelegate(&silent);
    map.contents->tilesUpdatedRegion(CGRectMake(0, 0, 10, 10));
    map.contents->moveBy(CGSizeMake(400, 0));
    map.contents->setTilesUpdateDelegate(nullptr);
    map.contents->tilesUpdatedRegion(CGRectMake(0, 0, 10, 10));
}

// Each map asks its own delegate: a listening delegate of one map does not
// make another map call a delegate that cannot listen.
TEST(RMMapContentsTilesUpdate, TheQuestionIsAskedPerMap)
{
    MapFixture first;
    auto secondView = std::make_unique<RMMapView>(CGRectMake(0, 0, 100, 100));
    RMMapContents& second
        = *RMMapContents::create(secondView.get(), vantry::test::withoutCaches(first.source));
    first.log.take();
    RMTilesUpdateDelegate silent;
    Regions listening;
    second.setTilesUpdateDelegate(&listening);
    first.contents->setTilesUpdateDelegate(&silent);
    first.contents->tilesUpdatedRegion(CGRectMake(0, 0, 10, 10));
    second.tilesUpdatedRegion(CGRectMake(0, 0, 10, 10));
    EXPECT_EQ(1u, listening.regions.size());
    secondView.reset();
    first.log.take();
}

} // namespace
