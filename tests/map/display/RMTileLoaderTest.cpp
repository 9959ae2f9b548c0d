#include "RMTileLoader.h"
#include "NoDownloads.h"

#include "MapFixture.h"
#include "MapTestPrinters.h"
#include "NotificationCenter.h"
#include "RMMercatorToTileProjection.h"
#include "RMNotifications.h"
#include "RMTileImage.h"
#include "RMTileImageSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vantry::test::MapFixture;

namespace {

// Counts what reaches the screen from here on.
class ScreenEvents {
public:
    ScreenEvents()
    {
        auto& center = platform::NotificationCenter::defaultCenter();
        center.addObserver(
            this, RMMapImageAddedToScreenNotification, nullptr, [this](const auto&) { ++added; });
        center.addObserver(
            this, RMMapImageRemovedFromScreenNotification, nullptr, [this](const auto&) { ++removed; });
    }
    ~ScreenEvents() { platform::NotificationCenter::defaultCenter().removeObserver(this); }
    int added = 0;
    int removed = 0;
};

TEST(RMTileLoaderTest, TheFirstLoadCoversTheScreenAndRemovesNothing)
{
    ScreenEvents events;
    MapFixture map;
    RMTileLoader& loader = *map.contents->tileLoader();
    EXPECT_TRUE(CGRectContainsRect(loader.loadedBounds(), map.contents->screenBounds()));
    EXPECT_EQ(13u, loader.loadedZoom());
    EXPECT_TRUE(loader.screenIsLoaded());
    EXPECT_EQ(0, events.removed);
    // 320 × 480 points at 256 per tile: 2 or 3 columns, 3 or 4 rows, plus
    // the extra row.
    EXPECT_EQ(static_cast<int>(map.contents->imagesOnScreen()->count()), events.added);
    EXPECT_GE(events.added, 8);
}

TEST(RMTileLoaderTest, WhileSuppressedNothingHappensAtAll)
{
    MapFixture map;
    RMTileLoader& loader = *map.contents->tileLoader();
    loader.setSuppressLoading(true);
    const std::size_t requests = map.source->totalRequests();
    loader.clearLoadedBounds();
    {
        vantry::test::NoDownloads off;
        loader.updateLoadedImages();
        EXPECT_FALSE(loader.isWaitingForResume());
    }
    EXPECT_EQ(requests, map.source->totalRequests());
    loader.setSuppressLoading(false);
    EXPECT_TRUE(loader.screenIsLoaded());
}

TEST(RMTileLoaderTest, WaitsOnceForExpensiveOperationsToResume)
{
    MapFixture map;
    RMTileLoader& loader = *map.contents->tileLoader();
    auto& center = platform::NotificationCenter::defaultCenter();
    loader.clearLoadedBounds();
    std::size_t registrations = 0;
    {
        vantry::test::NoDownloads off;
        const std::size_t before = center.observationCount();
        for (int i = 0; i < 5; ++i)
            loader.updateLoadedImages();
        registrations = center.observationCount() - before;
        EXPECT_TRUE(loader.isWaitingForResume());
        EXPECT_FALSE(loader.screenIsLoaded());
    }
    EXPECT_EQ(1u, registrations);
    EXPECT_FALSE(loader.isWaitingForResume());
    EXPECT_TRUE(loader.screenIsLoaded());
}

TEST(RMTileLoaderTest, ALoaderDestroyedWhileWaitingIsNeverCalledBack)
{
    MapFixture map;
    auto& center = platform::NotificationCenter::defaultCenter();
    const std::size_t before = center.observationCount();
    vantry::test::NoDownloads off;
    {
        RMTileLoader loader(map.contents);
        loader.updateLoadedImages();
        EXPECT_TRUE(loader.isWaitingForResume());
        EXPECT_EQ(before + 1, center.observationCount());
    }
    EXPECT_EQ(before, center.observationCount());
}

TEST(RMTileLoaderTest, AReloadKeepsEveryImageAndAsksOnlyForMissingTiles)
{
    MapFixture map;
    const float scale = map.contents->mercatorToTileProjection()->calculateScaleFromZoom(14);
    const RMTile missing
        = map.contents->latLongToTilePointWithMetersPerPixel(map.contents->mapCenter(), scale).tile;
    map.source->setMissing(missing);
    map.contents->setZoom(14);
    EXPECT_EQ(nullptr, map.contents->imagesOnScreen()->imageWithTile(missing));
    map.source->setMissing(missing, false);
    const std::size_t before = map.source->totalRequests();
    const std::vector<std::shared_ptr<RMTileImage>> images = map.contents->imagesOnScreen()->images();
    ScreenEvents events;

    map.contents->tileLoader()->reload();

    EXPECT_EQ(0, events.removed);
    EXPECT_EQ(1, events.added);
    EXPECT_EQ(before + 1, map.source->totalRequests());
    EXPECT_EQ(2u, map.source->requestCount(missing));
    for (const auto& image : images)
        EXPECT_EQ(image, map.contents->imagesOnScreen()->imageWithTile(image->tile()));
    for (const auto& image : map.contents->imagesOnScreen()->images())
        EXPECT_EQ(1u, map.contents->imagesOnScreen()->referenceCount(image->tile()));
}

TEST(RMTileLoaderTest, ClearingTheBoundsKeepsZoomAndTiles)
{
    MapFixture map;
    RMTileLoader& loader = *map.contents->tileLoader();
    const RMTileRect tiles = loader.loadedTiles();
    loader.clearLoadedBounds();
    EXPECT_TRUE(CGRectEqualToRect(CGRectZero, loader.loadedBounds()));
    EXPECT_EQ(13u, loader.loadedZoom());
    EXPECT_EQ(tiles.origin.tile, loader.loadedTiles().origin.tile);
    EXPECT_FALSE(loader.screenIsLoaded());
}

TEST(RMTileLoaderTest, SmallPansAndZoomsWithinTheLevelChangeNoTiles)
{
    MapFixture map;
    ScreenEvents events;
    const std::size_t requests = map.source->totalRequests();
    const CGRect loaded = map.contents->tileLoader()->loadedBounds();
    // How far the loaded tiles reach beyond the screen's left edge.
    const float slack = -loaded.origin.x;
    map.contents->moveBy(CGSizeMake(slack / 2, 0));
    map.contents->zoomByFactorNear(1.1f, CGPointMake(160, 240));
    EXPECT_EQ(0, events.added + events.removed);
    EXPECT_EQ(requests, map.source->totalRequests());

    // A new integer tile zoom renews everything.
    map.contents->setZoom(14);
    EXPECT_EQ(14u, map.contents->tileLoader()->loadedZoom());
    EXPECT_GT(events.removed, 0);
    for (const auto& image : map.contents->imagesOnScreen()->images())
        EXPECT_EQ(14, image->tile().zoom);
}

TEST(RMTileLoaderTest, ATileZoomOutsideTheLimitsIsAProgrammingError)
{
    MapFixture map;
    map.contents->mercatorToScreenProjection();
    RMTileLoader loader(map.contents);
    map.contents->setMaxZoom(13.4f);
    EXPECT_NO_THROW(loader.screenIsLoaded());
    map.contents->setMinZoom(12.6f);
    EXPECT_NO_THROW(loader.screenIsLoaded());
    // A zoom within fractional limits may round beyond them; the tile zoom
    // is judged by the limits rounded as tile zooms are.
    map.contents->setZoom(13.4f);
    EXPECT_NO_THROW(loader.screenIsLoaded());
}

} // namespace
