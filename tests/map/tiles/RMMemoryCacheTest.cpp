#include "RMMemoryCache.h"
#include "LogCapture.h"
#include "ManualClock.h"
#include "MapTestPrinters.h"
#include "NotificationCenter.h"
#include "RMNotifications.h"
#include "RMTileCache.h"
#include "RMTileImage.h"
#include "TilesTestSupport.h"
#include "TraceLines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

using testing::ElementsAre;
using vantry::test::IsMethodTrace;
using vantry::test::LogCapture;
using vantry::test::ManualClock;

namespace {

RMTile tileAt(std::uint32_t x)
{
    return RMTile { x, 1, 10 };
}

class RMMemoryCacheTest : public testing::Test {
protected:
    std::unique_ptr<RMMemoryCache> makeCache(std::uint32_t capacity)
    {
        auto cache = std::make_unique<RMMemoryCache>(capacity);
        log_.take();
        return cache;
    }
    // An image last used at `time`.
    std::shared_ptr<RMTileImage> imageUsedAt(RMTile tile, double time)
    {
        clock_.advance(time - clock_.now());
        return RMTileImage::dummyTile(tile);
    }
    void TearDown() override
    {
        cache_.reset();
        EXPECT_THAT(log_.take(), testing::Each(testing::HasSubstr("dealloc logged method call")));
    }

    ManualClock clock_ { 0 };
    LogCapture log_;
    std::unique_ptr<RMMemoryCache> cache_;
};

TEST_F(RMMemoryCacheTest, HitReturnsTheSameImageWithoutTouchingIt)
{
    cache_ = makeCache(4);
    const auto image = imageUsedAt(tileAt(1), 10);
    cache_->addTileWithImage(tileAt(1), image);
    clock_.advance(5);
    EXPECT_EQ(cache_->cachedImage(tileAt(1)), image);
    EXPECT_EQ(image->lastUsedTime(), 10);
    EXPECT_EQ(cache_->cachedImage(tileAt(2)), nullptr);
    EXPECT_THAT(cache_->description(), testing::MatchesRegex("<RMMemoryCache: 0x[0-9a-f]+>"));
}

TEST_F(RMMemoryCacheTest, FullCacheEvictsTheOldestLastUse)
{
    cache_ = makeCache(2);
    cache_->addTileWithImage(tileAt(1), imageUsedAt(tileAt(1), 10));
    cache_->addTileWithImage(tileAt(2), imageUsedAt(tileAt(2), 20));
    cache_->addTileWithImage(tileAt(3), imageUsedAt(tileAt(3), 30));

    EXPECT_EQ(cache_->count(), 2u);
    EXPECT_EQ(cache_->cachedImage(tileAt(1)), nullptr) << "time 10 was the oldest";
    EXPECT_NE(cache_->cachedImage(tileAt(2)), nullptr);
    EXPECT_NE(cache_->cachedImage(tileAt(3)), nullptr);
}

TEST_F(RMMemoryCacheTest, PlacingAnImageOnScreenKeepsItLonger)
{
    cache_ = makeCache(2);
    const auto first = imageUsedAt(tileAt(1), 10);
    const auto second = imageUsedAt(tileAt(2), 20);
    cache_->addTileWithImage(tileAt(1), first);
    cache_->addTileWithImage(tileAt(2), second);
    clock_.advance(10);
    first->setScreenLocation(CGRectMake(0, 0, 256, 256));

    cache_->addTileWithImage(tileAt(3), imageUsedAt(tileAt(3), 40));
    EXPECT_EQ(cache_->cachedImage(tileAt(1)), first);
    EXPECT_EQ(cache_->cachedImage(tileAt(2)), nullptr);
}

TEST_F(RMMemoryCacheTest, CapacityZeroHoldsOneImageAndAHugeOneReservesLittle)
{
    auto cache = std::make_unique<RMMemoryCache>(0);
    EXPECT_THAT(log_.take(), ElementsAre(testing::EndsWith(" with capacity 0")));
    EXPECT_EQ(cache->capacity(), 1u);
    cache->addTileWithImage(tileAt(1), RMTileImage::dummyTile(tileAt(1)));
    cache->addTileWithImage(tileAt(2), RMTileImage::dummyTile(tileAt(2)));
    EXPECT_EQ(cache->count(), 1u);
    EXPECT_NE(cache->cachedImage(tileAt(2)), nullptr);

    cache_ = std::make_unique<RMMemoryCache>(0xFFFFFFFFu);
    EXPECT_THAT(log_.take(), ElementsAre(testing::EndsWith(" with capacity -1")));
    cache_->addTileWithImage(tileAt(1), RMTileImage::dummyTile(tileAt(1)));
    EXPECT_EQ(cache_->count(), 1u);
}

TEST_F(RMMemoryCacheTest, DummyTileAndNullImagesAreNotStored)
{
    cache_ = makeCache(4);
    cache_->addTileWithImage(RMTileDummy(), RMTileImage::dummyTile(RMTileDummy()));
    cache_->addTileWithImage(tileAt(1), nullptr);
    EXPECT_EQ(cache_->count(), 0u);
}

TEST_F(RMMemoryCacheTest, CancellationForgetsTheTileWhicheverImageHoldsIt)
{
    cache_ = makeCache(4);
    const auto stored = RMTileImage::dummyTile(tileAt(1));
    const auto other = RMTileImage::dummyTile(tileAt(1));
    cache_->addTileWithImage(tileAt(1), stored);
    cache_->addTileWithImage(tileAt(2), RMTileImage::dummyTile(tileAt(2)));

    other->cancelLoading();
    EXPECT_EQ(cache_->cachedImage(tileAt(1)), nullptr);
    EXPECT_NE(cache_->cachedImage(tileAt(2)), nullptr);
}

TEST_F(RMMemoryCacheTest, MemoryWarningEmptiesTheCache)
{
    cache_ = makeCache(4);
    cache_->addTileWithImage(tileAt(1), RMTileImage::dummyTile(tileAt(1)));
    cache_->didReceiveMemoryWarning();
    EXPECT_THAT(log_.take(), ElementsAre(IsMethodTrace("didReceiveMemoryWarning", cache_->description())));
    EXPECT_EQ(cache_->count(), 0u);
    cache_->addTileWithImage(tileAt(1), RMTileImage::dummyTile(tileAt(1)));
    cache_->removeAllCachedImages();
    EXPECT_EQ(cache_->count(), 0u);
}

// Regression: eviction looked entries up again by their image's tile, so an
// image stored under another tile's key (a caller passing a tile that is not
// normalised) was never evicted and the loop never ended.
TEST_F(RMMemoryCacheTest, EvictionEndsForImagesStoredUnderAnotherKey)
{
    cache_ = makeCache(1);
    cache_->addTileWithImage(RMTile { 9, 1, 2 }, RMTileImage::dummyTile(RMTile { 1, 1, 2 }));
    cache_->addTileWithImage(tileAt(2), RMTileImage::dummyTile(tileAt(2)));
    EXPECT_EQ(cache_->count(), 1u);
    EXPECT_NE(cache_->cachedImage(tileAt(2)), nullptr);
}

// A dying image that is still loading posts "MapImageLoadingCancelled" from
// its destructor, which reaches the cache while it removes that image.
class PostingImage : public RMTileImage {
public:
    using RMTileImage::RMTileImage;
    ~PostingImage() override { cancelLoading(); }
};

TEST_F(RMMemoryCacheTest, ImageDyingInsideTheCacheMayPostToIt)
{
    cache_ = makeCache(2);
    cache_->addTileWithImage(tileAt(1), std::make_shared<PostingImage>(tileAt(1)));
    cache_->addTileWithImage(tileAt(2), std::make_shared<PostingImage>(tileAt(2)));
    cache_->addTileWithImage(tileAt(3), std::make_shared<PostingImage>(tileAt(3)));
    EXPECT_EQ(cache_->count(), 2u) << "evicted while the cache was full";
    cache_->removeAllCachedImages();
    EXPECT_EQ(cache_->count(), 0u);

    cache_->addTileWithImage(tileAt(3), std::make_shared<PostingImage>(tileAt(3)));
    cache_->addTileWithImage(tileAt(3), std::make_shared<PostingImage>(tileAt(3)));
    EXPECT_EQ(cache_->cachedImage(tileAt(3)), nullptr) << "the replaced image's cancellation names its tile";
}

TEST(RMTileCacheKeyTest, TileHashIsTheTileKey)
{
    EXPECT_EQ(RMTileCache::tileHash(RMTile { 1, 1, 1 }), 0x0100000010000001u);
}

} // namespace
