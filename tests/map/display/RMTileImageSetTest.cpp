#include "RMTileImageSet.h"

#include "Exception.h"
#include "LogCapture.h"
#include "ManualClock.h"
#include "MapTestPrinters.h"
#include "MemoryTileSource.h"
#include "NotificationCenter.h"
#include "RMNotifications.h"
#include "RMTileImage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing::ElementsAre;
using testing::IsEmpty;
using vantry::test::MemoryTileSource;

namespace {

std::string name(RMTile tile)
{
    return std::to_string(tile.zoom) + "/" + std::to_string(tile.x) + "/" + std::to_string(tile.y);
}

RMTile tile(uint32_t x, uint32_t y, int16_t zoom)
{
    return RMTile { x, y, zoom };
}

RMTileRect tileRect(RMTile origin, CGPoint offset, CGSize size)
{
    return RMTileRect { RMTilePoint { origin, offset }, size };
}

// Hears both delegate operations and both screen notifications, in order.
class Recorder : public RMTileImageSetDelegate,
                 public RMTileImageSetDelegate::TileAdded,
                 public RMTileImageSetDelegate::TileRemoved {
public:
    Recorder()
    {
        auto& center = platform::NotificationCenter::defaultCenter();
        center.addObserver(this, RMMapImageAddedToScreenNotification, nullptr, [this](const auto& note) {
            events.push_back(
                "posted added " + name(RMTileImage::fromNotificationObject(note.object())->tile()));
        });
        center.addObserver(this, RMMapImageRemovedFromScreenNotification, nullptr, [this](const auto& note) {
            events.push_back(
                "posted removed " + name(RMTileImage::fromNotificationObject(note.object())->tile()));
        });
    }
    ~Recorder() override { platform::NotificationCenter::defaultCenter().removeObserver(this); }

    void tileAddedWithImage(RMTile tile, const std::shared_ptr<RMTileImage>& image) override
    {
        events.push_back("added " + name(tile) + (image ? "" : " without image"));
    }
    void tileRemoved(RMTile tile) override
    {
        const bool present = set && set->imageWithTile(tile) != nullptr;
        events.push_back("removed " + name(tile) + (present ? "" : " (image already gone)"));
    }

    RMTileImageSet* set = nullptr;
    std::vector<std::string> events;
};

// Implements only the optional "added" operation.
class AddedOnly : public RMTileImageSetDelegate, public RMTileImageSetDelegate::TileAdded {
public:
    void tileAddedWithImage(RMTile tile, const std::shared_ptr<RMTileImage>&) override
    {
        added.push_back(name(tile));
    }
    std::vector<std::string> added;
};

class RMTileImageSetTest : public testing::Test {
protected:
    RMTileImageSetTest()
    {
        images.setTileSource(source);
        recorder.set = &images;
    }

    std::vector<CGRect> locationsOfColumn(uint32_t x, int16_t zoom, uint32_t firstRow, uint32_t rows) const
    {
        std::vector<CGRect> result;
        for (uint32_t y = firstRow; y < firstRow + rows; ++y) {
            const auto image = images.imageWithTile(tile(x, y, zoom));
            result.push_back(image ? image->screenLocation() : CGRectMake(-1, -1, -1, -1));
        }
        return result;
    }

    vantry::test::ManualClock clock { 50 };
    vantry::test::LogCapture log;
    std::shared_ptr<MemoryTileSource> source = std::make_shared<MemoryTileSource>();
    Recorder recorder;
    RMTileImageSet images { &recorder };
};

bool sameRect(CGRect a, CGRect b)
{
    return a.origin.x == b.origin.x && a.origin.y == b.origin.y && a.size.width == b.size.width
        && a.size.height == b.size.height;
}

MATCHER_P4(IsRect, x, y, width, height, "")
{
    return sameRect(arg, CGRectMake(x, y, width, height));
}

TEST_F(RMTileImageSetTest, TilesTheWorkedExample)
{
    const CGRect loaded = images.addTilesToDisplayIn(
        tileRect(tile(100, 200, 10), CGPointMake(0.25f, 0.5f), CGSizeMake(1.25f, 1.875f)),
        CGRectMake(0, 0, 320, 480));

    EXPECT_TRUE(sameRect(loaded, CGRectMake(-64, -128, 512, 768)));
    EXPECT_EQ(8u, images.count());
    EXPECT_EQ(8u, source->totalRequests());
    EXPECT_THAT(locationsOfColumn(100, 10, 200, 4),
        ElementsAre(IsRect(-64, -128, 256, 256), IsRect(-64, 128, 256, 256), IsRect(-64, 384, 256, 256),
            IsRect(-64, 640, 256, 256)));
    EXPECT_THAT(locationsOfColumn(101, 10, 200, 4),
        ElementsAre(IsRect(192, -128, 256, 256), IsRect(192, 128, 256, 256), IsRect(192, 384, 256, 256),
            IsRect(192, 640, 256, 256)));
    // Each new tile: the delegate first, then the notification.
    ASSERT_EQ(16u, recorder.events.size());
    EXPECT_EQ("added 10/100/200", recorder.events[0]);
    EXPECT_EQ("posted added 10/100/200", recorder.events[1]);
}

TEST_F(RMTileImageSetTest, RowsOutsideTheGridAreSkippedAndColumnsWrap)
{
    // Zoom 1 has 2 × 2 tiles; three columns from x 1 wrap to 1, 0, 1.
    images.addTilesToDisplayIn(
        tileRect(tile(1, 1, 1), CGPointMake(0, 0), CGSizeMake(3, 1)), CGRectMake(0, 0, 768, 256));

    EXPECT_EQ(2u, images.count());
    EXPECT_EQ(2u, images.referenceCount(tile(1, 1, 1)));
    EXPECT_EQ(1u, images.referenceCount(tile(0, 1, 1)));
    EXPECT_EQ(0u, source->requestCount(tile(1, 2, 1)));
    // The wrapped tile lies in its first column and shows again two columns
    // on; a pass without the second column takes the copy away.
    EXPECT_TRUE(sameRect(images.imageWithTile(tile(1, 1, 1))->screenLocation(), CGRectMake(0, 0, 256, 256)));
    EXPECT_EQ(images.imageWithTile(tile(1, 1, 1))->wrappedCopyColumns(), std::vector<int> { 2 });
    images.addTilesToDisplayIn(
        tileRect(tile(1, 1, 1), CGPointMake(0, 0), CGSizeMake(2, 1)), CGRectMake(0, 0, 512, 256));
    EXPECT_TRUE(images.imageWithTile(tile(1, 1, 1))->wrappedCopyColumns().empty());
    images.removeTiles(tileRect(tile(1, 1, 1), CGPointMake(0, 0), CGSizeMake(2, 1)));

    images.removeTiles(tileRect(tile(1, 1, 1), CGPointMake(0, 0), CGSizeMake(3, 1)));
    EXPECT_EQ(0u, images.count());
}

TEST_F(RMTileImageSetTest, ARectangleWithoutWholeColumnsOrABrokenOneAddsNothing)
{
    // Such a rectangle covers nothing, not an area with a negative or NaN extent.
    for (const float broken :
        { -1.0f, 0.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity() }) {
        const CGRect loaded = images.addTilesToDisplayIn(
            tileRect(tile(3, 3, 4), CGPointMake(0, 0), CGSizeMake(broken, 2)), CGRectMake(0, 0, 320, 480));
        EXPECT_TRUE(sameRect(loaded, CGRectZero)) << broken;
    }
    EXPECT_EQ(0u, images.count());
    EXPECT_EQ(0u, source->totalRequests());
}

TEST_F(RMTileImageSetTest, AStoredTileGainsAReferenceAndAPlaceButNoEventsWhateverImageComes)
{
    images.addTileAt(tile(1, 2, 3), CGRectMake(0, 0, 256, 256));
    const auto stored = images.imageWithTile(tile(1, 2, 3));
    recorder.events.clear();

    images.addTileAt(tile(1, 2, 3), CGRectMake(10, 20, 256, 256));
    EXPECT_EQ(1u, images.count());
    EXPECT_EQ(1u, images.images().size());
    EXPECT_EQ(2u, images.referenceCount(tile(1, 2, 3)));
    EXPECT_TRUE(sameRect(stored->screenLocation(), CGRectMake(10, 20, 256, 256)));
    EXPECT_EQ(1u, source->requestCount(tile(1, 2, 3)));

    images.addTileWithImageAt(
        tile(1, 2, 3), std::make_shared<RMTileImage>(tile(1, 2, 3)), CGRectMake(7, 7, 256, 256));
    EXPECT_EQ(stored, images.imageWithTile(tile(1, 2, 3)));
    EXPECT_EQ(3u, images.referenceCount(tile(1, 2, 3)));
    EXPECT_TRUE(sameRect(stored->screenLocation(), CGRectMake(7, 7, 256, 256)));
    EXPECT_THAT(recorder.events, IsEmpty());
}

TEST_F(RMTileImageSetTest, OnlyTheLastReferenceReportsTheRemovalWhileTheImageIsStillThere)
{
    images.addTileAt(tile(1, 2, 3), CGRectMake(0, 0, 256, 256));
    images.addTileAt(tile(1, 2, 3), CGRectMake(0, 0, 256, 256));
    recorder.events.clear();

    images.removeTile(tile(1, 2, 3));
    EXPECT_THAT(recorder.events, IsEmpty());
    EXPECT_EQ(1u, images.referenceCount(tile(1, 2, 3)));

    images.removeTile(tile(1, 2, 3));
    EXPECT_THAT(recorder.events, ElementsAre("removed 3/1/2", "posted removed 3/1/2"));
    EXPECT_EQ(0u, images.count());

    images.removeTile(tile(1, 2, 3));
    EXPECT_EQ(2u, recorder.events.size());
}

TEST_F(RMTileImageSetTest, RemovingAllTilesReportsEachTileOnce)
{
    for (int i = 0; i < 3; ++i)
        images.addTileAt(tile(5, 5, 4), CGRectMake(0, 0, 256, 256));
    images.addTileAt(tile(6, 5, 4), CGRectMake(256, 0, 256, 256));
    recorder.events.clear();

    images.removeAllTiles();

    EXPECT_EQ(0u, images.count());
    std::sort(recorder.events.begin(), recorder.events.end());
    EXPECT_THAT(recorder.events,
        ElementsAre("posted removed 4/5/5", "posted removed 4/6/5", "removed 4/5/5", "removed 4/6/5"));
}

TEST_F(RMTileImageSetTest, DestructionRemovesEveryTileThroughTheDelegate)
{
    Recorder local;
    {
        RMTileImageSet set(&local);
        local.set = &set;
        set.setTileSource(source);
        set.addTileAt(tile(0, 0, 1), CGRectMake(0, 0, 256, 256));
        local.events.clear();
    }
    EXPECT_THAT(local.events, ElementsAre("removed 1/0/0", "posted removed 1/0/0"));
}

TEST_F(RMTileImageSetTest, RemovingTheDummyTileIsAProgrammingErrorThatChangesNothing)
{
    images.addTileAt(tile(1, 1, 2), CGRectMake(0, 0, 256, 256));
    try {
        images.removeTile(RMTileDummy());
        FAIL() << "no assertion failure";
    } catch (const base::AssertionFailure& failure) {
        EXPECT_EQ("attempted to remove dummy tile", failure.description());
    }
    EXPECT_EQ(1u, images.count());
}

TEST_F(RMTileImageSetTest, AnImageOfTheDummyTileIsPlacedButNeverStored)
{
    // Stored, it could never leave again, and tearing the set down would
    // remove the dummy tile.
    const auto placeholder = std::make_shared<RMTileImage>(RMTileDummy());
    images.addTileWithImageAt(tile(1, 1, 2), placeholder, CGRectMake(5, 5, 256, 256));

    EXPECT_EQ(0u, images.count());
    EXPECT_TRUE(sameRect(placeholder->screenLocation(), CGRectMake(5, 5, 256, 256)));
    EXPECT_THAT(recorder.events, IsEmpty());
}

TEST_F(RMTileImageSetTest, TilesWithoutAnImageShowNothingButKeepTheirReferences)
{
    source->setMissing(tile(2, 2, 3));
    images.addTileAt(tile(2, 2, 3), CGRectMake(0, 0, 256, 256));
    EXPECT_EQ(0u, images.count());
    EXPECT_EQ(nullptr, images.imageWithTile(tile(2, 2, 3)));
    EXPECT_EQ(1u, images.referenceCount(tile(2, 2, 3)));
    EXPECT_THAT(recorder.events, IsEmpty());

    // The next add asks again, and the image arrives with both references.
    source->setMissing(tile(2, 2, 3), false);
    images.addTileAt(tile(2, 2, 3), CGRectMake(0, 0, 256, 256));
    EXPECT_EQ(2u, source->requestCount(tile(2, 2, 3)));
    EXPECT_EQ(1u, images.count());
    EXPECT_EQ(2u, images.referenceCount(tile(2, 2, 3)));
    images.removeTile(tile(2, 2, 3));
    EXPECT_EQ(1u, images.count());
    images.removeTile(tile(2, 2, 3));
    EXPECT_EQ(0u, images.count());
    EXPECT_THAT(recorder.events,
        ElementsAre("added 3/2/2", "posted added 3/2/2", "removed 3/2/2", "posted removed 3/2/2"));
}

TEST_F(RMTileImageSetTest, ADelegateHearsOnlyTheOperationsItImplements)
{
    AddedOnly delegate;
    images.setDelegate(&delegate);
    images.addTileAt(tile(2, 2, 3), CGRectMake(0, 0, 256, 256));
    images.removeTile(tile(2, 2, 3));

    EXPECT_THAT(delegate.added, ElementsAre("3/2/2"));
    // Without a delegate for removals the notification still goes out.
    EXPECT_THAT(recorder.events, ElementsAre("posted added 3/2/2", "posted removed 3/2/2"));
}

TEST_F(RMTileImageSetTest, MovesAndZoomsEveryImage)
{
    images.addTileAt(tile(0, 0, 2), CGRectMake(0, 0, 256, 256));
    images.addTileAt(tile(1, 0, 2), CGRectMake(256, 0, 256, 256));

    images.moveBy(CGSizeMake(3, -2));
    EXPECT_TRUE(
        sameRect(images.imageWithTile(tile(1, 0, 2))->screenLocation(), CGRectMake(259, -2, 256, 256)));

    images.zoomByFactorNear(2, CGPointMake(3, -2));
    EXPECT_TRUE(sameRect(images.imageWithTile(tile(0, 0, 2))->screenLocation(), CGRectMake(3, -2, 512, 512)));
    EXPECT_TRUE(
        sameRect(images.imageWithTile(tile(1, 0, 2))->screenLocation(), CGRectMake(515, -2, 512, 512)));
}

TEST_F(RMTileImageSetTest, SeamReportShowsTheBiggestGapsAndZeroForAnEmptySet)
{
    images.printDebuggingInformation();
    EXPECT_THAT(log.take(), ElementsAre("Biggest seam right: 0.000000  down: 0.000000"));
    images.addTileAt(tile(0, 0, 2), CGRectMake(0, 0, 256, 256));
    images.addTileAt(tile(1, 0, 2), CGRectMake(259, 0, 256, 256));
    images.addTileAt(tile(0, 1, 2), CGRectMake(0, 257.5f, 256, 256));
    images.printDebuggingInformation();
    EXPECT_THAT(log.take(), ElementsAre("Biggest seam right: 3.000000  down: 1.500000"));
}

// At fractional zooms a tile's side is no whole number of points, yet its
// far edges must be exactly its neighbours' near edges.
TEST_F(RMTileImageSetTest, TilesAbutExactlyAtAnyScale)
{
    const float widths[] = { 1.0f, 1.1f, 1.41421356f, 0.7071f, 1.9999f, 1.3333333f };
    const float offsets[] = { 0.0f, 0.3f, 0.123456f, 0.999f };
    for (const float width : widths) {
        for (const float offset : offsets) {
            SCOPED_TRACE(testing::Message() << "width " << width << " offset " << offset);
            const RMTileRect rect = tileRect(tile(1000, 2000, 12), CGPointMake(offset, 1 - offset),
                CGSizeMake(1920 / 256.0f * width, 1080 / 256.0f * width));
            const CGRect screen = CGRectMake(0, 0, 1920, 1080);
            const CGRect loaded = images.addTilesToDisplayIn(rect, screen);
            EXPECT_TRUE(CGRectContainsRect(loaded, screen));
            images.printDebuggingInformation();
            EXPECT_THAT(log.take(), ElementsAre("Biggest seam right: 0.000000  down: 0.000000"));
            images.removeTiles(rect);
            EXPECT_EQ(0u, images.count());
        }
    }
}

TEST_F(RMTileImageSetTest, CancelLoadingReachesEveryImage)
{
    images.addTileAt(tile(0, 0, 2), CGRectMake(0, 0, 256, 256));
    images.addTileAt(tile(1, 0, 2), CGRectMake(256, 0, 256, 256));
    std::vector<std::string> cancelled;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, RMMapImageLoadingCancelledNotification, nullptr, [&](const auto& note) {
        cancelled.push_back(name(RMTileImage::fromNotificationObject(note.object())->tile()));
    });
    images.cancelLoading();
    center.removeObserver(this);
    std::sort(cancelled.begin(), cancelled.end());
    EXPECT_THAT(cancelled, ElementsAre("2/0/0", "2/1/0"));
}

TEST_F(RMTileImageSetTest, ANewSourceTakesTheOldSourcesImagesOffScreen)
{
    images.addTileAt(tile(0, 0, 2), CGRectMake(0, 0, 256, 256));
    recorder.events.clear();
    images.setTileSource(source);
    EXPECT_EQ(1u, images.count());

    auto other = std::make_shared<MemoryTileSource>();
    images.setTileSource(other);
    EXPECT_EQ(0u, images.count());
    EXPECT_THAT(recorder.events, ElementsAre("removed 2/0/0", "posted removed 2/0/0"));

    images.addTileAt(tile(0, 0, 2), CGRectMake(0, 0, 256, 256));
    EXPECT_EQ(1u, other->requestCount(tile(0, 0, 2)));
}

} // namespace
