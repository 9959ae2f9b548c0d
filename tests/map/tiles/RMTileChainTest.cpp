#include "Layer.h"
#include "LogCapture.h"
#include "ManualClock.h"
#include "MapTestPrinters.h"
#include "NotificationCenter.h"
#include "RMCachedTileSource.h"
#include "RMConfiguration.h"
#include "RMNotifications.h"
#include "RMOpenStreetMapSource.h"
#include "RMTileCache.h"
#include "RMTileImage.h"
#include "RMWebTileImage.h"
#include "ResponseCache.h"
#include "SqliteFiles.h"
#include "TileServer.h"
#include "TilesTestSupport.h"
#include "TraceLines.h"

#include <QImage>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <vector>

using testing::ElementsAre;
using testing::IsEmpty;
using tiles::test::hex;
using tiles::test::ScratchHome;
using tiles::test::waitFor;
using vantry::test::LogCapture;
using vantry::test::TileServer;

namespace {

// The whole chain as the map contents hold it: the OpenStreetMap source
// pointed at a loopback server, wrapped with the default cache chain.
class RMTileChainTest : public testing::Test {
protected:
    RMTileChainTest()
    {
        RMOpenStreetMapSource::setTileHost("127.0.0.1:" + std::to_string(server_->port()));
        source_ = makeSource();
    }
    ~RMTileChainTest() override
    {
        source_.reset();
        RMOpenStreetMapSource::setTileHost("");
        EXPECT_THAT(lines(), IsEmpty());
    }

    std::shared_ptr<RMCachedTileSource> makeSource()
    {
        return RMCachedTileSource::cachedTileSourceWithSourceConfiguration(
            std::make_shared<RMOpenStreetMapSource>(), RMConfiguration(std::nullopt));
    }
    // The lines logged since the last call, without the caches' set-up and
    // tear-down lines.
    std::vector<std::string> lines() { return vantry::test::withoutCacheLifecycle(log_.take()); }
    std::string database() const
    {
        return home_.documents() + "/Map" + RMOpenStreetMapSource().uniqueTilecacheKey() + ".sqlite";
    }

    ScratchHome home_;
    LogCapture log_;
    std::optional<TileServer> server_ { std::in_place };
    std::shared_ptr<RMCachedTileSource> source_;
};

TEST_F(RMTileChainTest, DownloadedTilesSurviveARestartWithoutTheServer)
{
    std::vector<RMTile> tiles;
    for (std::uint32_t x = 0; x < 3; ++x) {
        for (std::uint32_t y = 0; y < 2; ++y)
            tiles.push_back(RMTile { x, y, 3 });
    }
    std::vector<std::shared_ptr<RMTileImage>> images;
    std::vector<std::unique_ptr<tiles::test::LoadedBytes>> loaded;
    for (const RMTile tile : tiles) {
        images.push_back(source_->tileImage(tile));
        loaded.push_back(std::make_unique<tiles::test::LoadedBytes>(*images.back()));
    }
    ASSERT_TRUE(waitFor(
        [&] { return std::ranges::all_of(images, [](const auto& image) { return image->isLoaded(); }); }));

    std::string expectedRows;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        ASSERT_EQ(loaded[i]->posted.size(), 1u);
        expectedRows += std::to_string(RMTileKey(tiles[i])) + "|" + hex(loaded[i]->posted[0]) + "\n";
    }
    EXPECT_EQ(vantry::test::runSqliteShell(
                  database(), "SELECT ztileHash, hex(zdata) FROM ZCACHE ORDER BY ztileHash"),
        expectedRows);

    // A new run: fresh objects on the same file, no server, no response cache.
    loaded.clear();
    images.clear();
    source_.reset();
    server_.reset();
    platform::ResponseCache::shared().removeAllResponses();
    source_ = makeSource();

    for (const RMTile tile : tiles) {
        const std::shared_ptr<RMTileImage> image = source_->tileImage(tile);
        EXPECT_EQ(std::dynamic_pointer_cast<RMWebTileImage>(image), nullptr) << "read from the database";
        EXPECT_TRUE(image->isLoaded());
        EXPECT_EQ(image->tile(), tile);
    }
}

// Expired tiles were shown from the caches for ever, never asking the
// server again.
TEST_F(RMTileChainTest, ExpiredTileIsShownAtOnceWhileItsServerIsAsked)
{
    vantry::test::ManualClock clock(1000);
    server_->setTileMaxAge(60);
    const RMTile tile { 1, 2, 3 };
    const std::string path = TileServer::tilePath(3, 1, 2);
    const auto row
        = [this] { return vantry::test::runSqliteShell(database(), "SELECT zexpires, zetag FROM ZCACHE"); };
    {
        const auto image = source_->tileImage(tile);
        ASSERT_TRUE(waitFor([&] { return image->isLoaded(); }));
    }
    EXPECT_EQ(row(), "1060.0|\"3/1/2\"\n");

    // A later run after the expiry: the stored tile at once, then a 304
    // that only renews it.
    clock.advance(100);
    source_ = makeSource();
    const auto stale = source_->tileImage(tile);
    EXPECT_TRUE(stale->isLoaded());
    EXPECT_EQ(source_->revalidator().pendingCount(), 1u);
    ASSERT_TRUE(waitFor([&] { return source_->revalidator().pendingCount() == 0; }));
    EXPECT_EQ(server_->requestCount(path), 2u);
    EXPECT_EQ(server_->lastRequestHeader(path, "If-None-Match"), "\"3/1/2\"");
    EXPECT_EQ(server_->lastRequestHeader(path, "Cache-Control"), "") << "never no-cache";
    EXPECT_EQ(row(), "1160.0|\"3/1/2\"\n");
    source_->tileImage(tile);
    EXPECT_EQ(source_->revalidator().pendingCount(), 0u) << "fresh again";

    // Expired again, and the server has another picture: it replaces the
    // old one on screen and in the database.
    clock.advance(100);
    const platform::Data other = TileServer::tileData(9, 9, 9);
    server_->respondWithBody(path, std::string(other.view()), "image/png");
    source_ = makeSource();
    const auto changed = source_->tileImage(tile);
    changed->makeLayer();
    ASSERT_TRUE(waitFor([&] { return source_->revalidator().pendingCount() == 0; }));
    EXPECT_EQ(changed->layer()->contents().pixels().pixelColor(100, 100),
        platform::Image::fromData(other).pixels().pixelColor(100, 100));
    EXPECT_EQ(vantry::test::runSqliteShell(database(), "SELECT hex(zdata) FROM ZCACHE"), hex(other) + "\n");
}

TEST_F(RMTileChainTest, FailedTileIsFetchedAgainAfterLeavingTheScreen)
{
    const RMTile tile { 1, 1, 2 };
    const std::string path = TileServer::tilePath(2, 1, 1);
    server_->respondWithStatus(path, 503);
    const std::shared_ptr<RMTileImage> failed = source_->tileImage(tile);
    ASSERT_TRUE(waitFor([&] { return !std::dynamic_pointer_cast<RMWebTileImage>(failed)->proxy(); }));
    EXPECT_THAT(lines(), ElementsAre("Tile could not be loaded: The server answered with HTTP status 503."));
    EXPECT_EQ(source_->tileImage(tile), failed) << "still in the memory cache";

    platform::NotificationCenter::defaultCenter().postNotification(
        RMMapImageRemovedFromScreenNotification, failed->notificationObject());
    server_->respondWithBody(path, std::string(TileServer::tileData(2, 1, 1).view()), "image/png");
    const std::shared_ptr<RMTileImage> again = source_->tileImage(tile);
    EXPECT_NE(again, failed);
    ASSERT_TRUE(waitFor([&] { return again->isLoaded(); }));
    EXPECT_EQ(server_->requestCount(path), 2u);
    EXPECT_EQ(vantry::test::runSqliteShell(database(), "SELECT COUNT(*) FROM ZCACHE"), "1\n");
}

TEST_F(RMTileChainTest, TileFromTheResponseCacheIsNotWrittenToTheDatabase)
{
    const RMTile tile { 0, 0, 1 };
    const std::string url = server_->tileUrl(1, 0, 0);
    platform::ResponseCache::shared().storeResponse(url, 200, {}, { TileServer::tileData(1, 0, 0) });

    const std::shared_ptr<RMTileImage> image = source_->tileImage(tile);
    EXPECT_TRUE(image->isLoaded());
    EXPECT_EQ(server_->requestCount(TileServer::tilePath(1, 0, 0)), 0u);
    EXPECT_EQ(vantry::test::runSqliteShell(database(), "SELECT COUNT(*) FROM ZCACHE"), "0\n");
}

TEST_F(RMTileChainTest, MemoryCacheHitReturnsTheSameImage)
{
    const std::shared_ptr<RMTileImage> first = source_->tileImage(RMTile { 0, 0, 1 });
    ASSERT_TRUE(waitFor([&] { return first->isLoaded(); }));
    EXPECT_EQ(source_->tileImage(RMTile { 0, 0, 1 }), first);
    source_->didReceiveMemoryWarning();
    log_.take();
    const std::shared_ptr<RMTileImage> fromDatabase = source_->tileImage(RMTile { 0, 0, 1 });
    EXPECT_NE(fromDatabase, first);
    EXPECT_TRUE(fromDatabase->isLoaded());
}

} // namespace
