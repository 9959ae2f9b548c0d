#include "RMTileImage.h"
#include "Layer.h"
#include "LogCapture.h"
#include "ManualClock.h"
#include "MapTestPrinters.h"
#include "NotificationCenter.h"
#include "RMExpensiveOperations.h"
#include "RMFileTileImage.h"
#include "RMNotifications.h"
#include "RMTileProxy.h"
#include "TestImages.h"
#include "TilesTestSupport.h"

#include <QImage>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unordered_set>

using testing::ElementsAre;
using testing::IsEmpty;
using testing::MatchesRegex;
using tiles::test::ExpensiveOperationsRestorer;
using tiles::test::LoadedBytes;
using tiles::test::NotificationRecorder;
using vantry::test::LogCapture;
using vantry::test::ManualClock;

namespace {

const RMTile kTile { 5, 7, 4 };

platform::Data redPng()
{
    return vantry::test::encodePng(vantry::test::makeSolidImage(256, 256, Qt::red));
}

class RMTileImageTest : public testing::Test {
protected:
    ExpensiveOperationsRestorer restorer_;
    ManualClock clock_ { 1000 };
    NotificationRecorder recorder_;
};

TEST_F(RMTileImageTest, EqualityAndHashFollowTheTileOnly)
{
    const auto key = RMTileImage::dummyTile(kTile);
    const auto file = RMTileImage::imageWithTileFromFile(kTile, "/nonexistent/tile.png");
    const auto fromData = RMTileImage::imageWithTileFromData(kTile, redPng());
    fromData->setScreenLocation(CGRectMake(1, 2, 3, 4));
    const auto otherZoom = RMTileImage::dummyTile(RMTile { 5, 7, 5 });

    EXPECT_TRUE(key->isEqual(*file));
    EXPECT_TRUE(*fromData == *key);
    EXPECT_FALSE(key->isEqual(*otherZoom));
    EXPECT_EQ(key->hash(), file->hash());
    EXPECT_EQ(key->hash(), static_cast<std::uint32_t>(RMTileHash(kTile)));

    std::unordered_set<std::shared_ptr<RMTileImage>, RMTileImageHash, RMTileImageEqual> set { fromData };
    const auto found = set.find(key);
    ASSERT_NE(found, set.end());
    EXPECT_EQ(*found, fromData);
    EXPECT_EQ(set.count(otherZoom), 0u);
    EXPECT_THAT(key->description(), MatchesRegex("<RMTileImage: 0x[0-9a-f]+>"));
}

TEST_F(RMTileImageTest, BytesAreDecodedAndPostedWithTheImage)
{
    RMTileImage image(kTile);
    recorder_.recordObject(image.notificationObject());
    const LoadedBytes loaded(image);
    const platform::Data png = redPng();

    image.setImageToData(png);

    EXPECT_TRUE(image.isLoaded());
    EXPECT_EQ(image.image().width(), 256);
    EXPECT_THAT(recorder_.take(), ElementsAre("MapImageLoaded (image)"));
    ASSERT_EQ(loaded.posted.size(), 1u);
    EXPECT_EQ(loaded.posted[0].data(), png.data()) << "the bytes are passed on, not copied";
}

TEST_F(RMTileImageTest, BytesThatAreNotAPictureArePostedButLeaveTheImageUnloaded)
{
    const auto image = RMTileImage::dummyTile(kTile);
    const LoadedBytes loaded(*image);
    image->setImageToData(platform::Data::fromString("<html>503</html>"));
    EXPECT_FALSE(image->isLoaded());
    ASSERT_EQ(loaded.posted.size(), 1u);
    EXPECT_EQ(loaded.posted[0].view(), "<html>503</html>");
}

TEST_F(RMTileImageTest, SuspendedDecodingWaitsForTheResumeAndRunsOnce)
{
    RMExpensiveOperations::setAllowed(false);
    const auto image = RMTileImage::imageWithTileFromData(kTile, redPng());
    recorder_.recordObject(image->notificationObject());
    recorder_.take();
    EXPECT_FALSE(image->isLoaded());
    EXPECT_TRUE(image->dataPending().has_value());

    RMExpensiveOperations::setAllowed(true);
    EXPECT_TRUE(image->isLoaded());
    EXPECT_FALSE(image->dataPending().has_value());
    EXPECT_THAT(recorder_.take(), ElementsAre("RMResumeExpensiveOperations", "MapImageLoaded (image)"));

    RMExpensiveOperations::setAllowed(false);
    RMExpensiveOperations::setAllowed(true);
    EXPECT_THAT(recorder_.take(), ElementsAre("RMSuspendExpensiveOperations", "RMResumeExpensiveOperations"));
}

TEST_F(RMTileImageTest, LaterPendingBytesReplaceEarlierOnes)
{
    RMExpensiveOperations::setAllowed(false);
    const auto image = RMTileImage::dummyTile(kTile);
    const LoadedBytes loaded(*image);
    image->setImageToData(platform::Data::fromString("first"));
    const platform::Data png = redPng();
    image->setImageToData(png);

    RMExpensiveOperations::setAllowed(true);
    ASSERT_EQ(loaded.posted.size(), 1u);
    EXPECT_EQ(loaded.posted[0], png);
    EXPECT_TRUE(image->isLoaded());
}

TEST_F(RMTileImageTest, BytesWaitAgainWhenSuspendedBeforeTheyAreApplied)
{
    RMExpensiveOperations::setAllowed(false);
    const auto image = RMTileImage::imageWithTileFromData(kTile, redPng());
    image->loadPendingData();
    EXPECT_TRUE(image->dataPending().has_value()) << "still suspended: the bytes must not be lost";
    RMExpensiveOperations::setAllowed(true);
    EXPECT_TRUE(image->isLoaded());
}

TEST_F(RMTileImageTest, ImageDestroyedWithPendingBytesIsNotCalledOnResume)
{
    RMExpensiveOperations::setAllowed(false);
    auto image = RMTileImage::imageWithTileFromData(kTile, redPng());
    image.reset();
    recorder_.take();
    RMExpensiveOperations::setAllowed(true);
    EXPECT_THAT(recorder_.take(), ElementsAre("RMResumeExpensiveOperations"));
}

TEST_F(RMTileImageTest, MakeLayerCreatesOneStillLayerAndMovesThePictureIntoIt)
{
    const auto image = RMTileImage::imageWithTileFromData(kTile, redPng());
    image->setScreenLocation(CGRectMake(10, 20, 256, 128));
    image->makeLayer();
    const std::shared_ptr<platform::Layer> layer = image->layer();
    ASSERT_NE(layer, nullptr);
    image->makeLayer();
    EXPECT_EQ(image->layer(), layer);

    EXPECT_TRUE(image->image().isNull());
    EXPECT_TRUE(image->isLoaded());
    EXPECT_EQ(layer->contents().width(), 256);
    EXPECT_TRUE(CGPointEqualToPoint(layer->anchorPoint(), CGPointMake(0, 0)));
    EXPECT_TRUE(CGPointEqualToPoint(layer->position(), CGPointMake(10, 20)));
    EXPECT_TRUE(CGRectEqualToRect(layer->bounds(), CGRectMake(0, 0, 256, 128)));
    EXPECT_EQ(layer->edgeAntialiasingMask(), 0u);
    for (const std::string_view key : { "position", "bounds", "onOrderIn", "onOrderOut" })
        EXPECT_EQ(layer->actionForKey(key), nullptr) << key;
    EXPECT_NE(layer->actionForKey("opacity"), nullptr) << "only the four keys are switched off";
}

TEST_F(RMTileImageTest, BytesArrivingAfterTheLayerGoIntoTheLayer)
{
    RMTileImage image(kTile);
    image.makeLayer();
    EXPECT_FALSE(image.isLoaded());
    image.setImageToData(redPng());
    EXPECT_TRUE(image.image().isNull());
    EXPECT_EQ(image.layer()->contents().width(), 256);
    EXPECT_TRUE(image.isLoaded());
}

TEST_F(RMTileImageTest, MovingAndZoomingPlaceTheLayerAndTouch)
{
    RMTileImage image(kTile);
    image.setScreenLocation(CGRectMake(10, 10, 256, 256));
    image.makeLayer();
    EXPECT_EQ(image.lastUsedTime(), 1000) << "a new image is touched now";

    clock_.advance(5);
    image.moveBy(CGSizeMake(3, -2));
    EXPECT_TRUE(CGRectEqualToRect(image.screenLocation(), CGRectMake(13, 8, 256, 256)));
    EXPECT_EQ(image.lastUsedTime(), 1005);
    EXPECT_TRUE(CGPointEqualToPoint(image.layer()->position(), CGPointMake(13, 8)));

    clock_.advance(5);
    image.zoomByFactorNear(2, CGPointMake(13, 8));
    EXPECT_TRUE(CGRectEqualToRect(image.screenLocation(), CGRectMake(13, 8, 512, 512)));
    EXPECT_TRUE(CGRectEqualToRect(image.layer()->bounds(), CGRectMake(0, 0, 512, 512)));
    EXPECT_EQ(image.lastUsedTime(), 1010);
}

TEST_F(RMTileImageTest, LeavingTheScreenCancelsOnlyThatImage)
{
    const auto leaving = RMTileImage::dummyTile(kTile);
    const auto staying = RMTileImage::dummyTile(kTile);
    recorder_.recordObject(leaving->notificationObject());

    platform::NotificationCenter::defaultCenter().postNotification(
        RMMapImageRemovedFromScreenNotification, leaving->notificationObject());

    EXPECT_THAT(recorder_.take(),
        ElementsAre("RMMapImageRemovedFromScreen (image)", "MapImageLoadingCancelled (image)"));
}

TEST_F(RMTileImageTest, FileImageReadsItsPictureAndStaysQuietWhenItCannot)
{
    tiles::test::ScratchHome home;
    const std::string path = home.file("tile.png");
    const platform::Data png = redPng();
    tiles::test::writeFile(path, png.view());

    const auto file = RMTileImage::imageWithTileFromFile(kTile, path);
    EXPECT_TRUE(file->isLoaded());
    EXPECT_THAT(file->description(), MatchesRegex("<RMFileTileImage: 0x[0-9a-f]+>"));
    const auto missing = RMTileImage::imageWithTileFromFile(kTile, home.file("missing.png"));
    EXPECT_FALSE(missing->isLoaded());
    EXPECT_THAT(recorder_.take(), IsEmpty()) << "a file image posts nothing";
}

TEST_F(RMTileImageTest, ProxiesAreTheLoadingTileOrNothing)
{
    const std::shared_ptr<RMTileImage>& loading = RMTileProxy::loadingTile();
    ASSERT_NE(loading, nullptr);
    EXPECT_EQ(&RMTileProxy::loadingTile(), &loading);
    EXPECT_TRUE(RMTileIsDummy(loading->tile()));
    EXPECT_EQ(loading->image().width(), 256);
    EXPECT_EQ(loading->image().height(), 256);
    EXPECT_EQ(RMTileProxy::errorTile(), nullptr);

    LogCapture log;
    EXPECT_EQ(RMTileProxy::bestProxyFor(kTile), nullptr);
    EXPECT_THAT(log.take(),
        ElementsAre(MatchesRegex(
            R"(\*\*\*\*\* WARNING: bestProxyFor deprecated method call: -\[RMTileProxy bestProxyFor\] \(line [0-9]+\))")));
}

} // namespace
