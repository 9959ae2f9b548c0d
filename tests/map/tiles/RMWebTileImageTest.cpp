#include "RMWebTileImage.h"
#include "HttpConnection.h"
#include "Layer.h"
#include "LogCapture.h"
#include "MapTestPrinters.h"
#include "RMExpensiveOperations.h"
#include "RMTileImage.h"
#include "RMTileProxy.h"
#include "RawHttpServer.h"
#include "ResponseCache.h"
#include "RunLoop.h"
#include "TestImages.h"
#include "TileServer.h"
#include "TilesTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

using testing::ElementsAre;
using testing::IsEmpty;
using testing::StartsWith;
using tiles::test::ExpensiveOperationsRestorer;
using tiles::test::NotificationRecorder;
using tiles::test::ScratchHome;
using tiles::test::waitFor;
using vantry::test::LogCapture;
using vantry::test::TileServer;

namespace {

const RMTile kTile { 3, 5, 4 };

class RMWebTileImageTest : public testing::Test {
protected:
    std::shared_ptr<RMWebTileImage> download(const std::string& url)
    {
        auto image = std::dynamic_pointer_cast<RMWebTileImage>(RMTileImage::imageWithTileFromURL(kTile, url));
        recorder_.recordObject(image->notificationObject());
        return image;
    }
    std::string path() const { return TileServer::tilePath(kTile.zoom, kTile.x, kTile.y); }
    std::string url() const { return server_.tileUrl(kTile.zoom, kTile.x, kTile.y); }
    bool finished(const RMWebTileImage& image) { return !image.connection() || !image.proxy(); }

    ScratchHome home_;
    ExpensiveOperationsRestorer restorer_;
    TileServer server_;
    NotificationRecorder recorder_;
};

TEST_F(RMWebTileImageTest, DownloadPostsRequestedLoadedRetrievedAndFillsTheResponseCache)
{
    const auto image = download(url());
    const tiles::test::LoadedBytes loaded(*image);
    EXPECT_THAT(recorder_.take(), ElementsAre("RMTileRequested"));
    ASSERT_NE(image->connection(), nullptr);
    EXPECT_EQ(image->proxy(), RMTileProxy::loadingTile());
    EXPECT_THAT(image->description(), testing::MatchesRegex("<RMWebTileImage: 0x[0-9a-f]+>"));

    ASSERT_TRUE(waitFor([&] { return image->isLoaded(); }));
    EXPECT_THAT(recorder_.take(), ElementsAre("MapImageLoaded (image)", "RMTileRetrieved"));
    EXPECT_EQ(image->connection(), nullptr);
    EXPECT_EQ(image->image().width(), 256);
    ASSERT_EQ(loaded.posted.size(), 1u);
    EXPECT_EQ(platform::ResponseCache::shared().cachedData(url()), loaded.posted[0]);

    image->cancelLoading();
    EXPECT_THAT(recorder_.take(), IsEmpty()) << "a finished download has nothing to cancel";
}

TEST_F(RMWebTileImageTest, LayerShowsTheLoadingPictureUntilTheTileArrives)
{
    const auto image = download(url());
    image->makeLayer();
    EXPECT_EQ(image->layer()->contents(), RMTileProxy::loadingTile()->image());

    ASSERT_TRUE(waitFor([&] { return !image->connection(); }));
    EXPECT_NE(image->layer()->contents(), RMTileProxy::loadingTile()->image());
    EXPECT_EQ(image->layer()->contents().width(), 256);
}

TEST_F(RMWebTileImageTest, ResponseCacheAnswersWithoutAConnection)
{
    const auto first = download(url());
    ASSERT_TRUE(waitFor([&] { return !first->connection(); }));
    recorder_.take();

    const auto second = download(url());
    EXPECT_TRUE(second->isLoaded());
    EXPECT_EQ(second->connection(), nullptr);
    EXPECT_THAT(recorder_.take(), ElementsAre("MapImageLoaded")) << "posted from the constructor";
    EXPECT_EQ(server_.requestCount(path()), 1u);
}

TEST_F(RMWebTileImageTest, SuspendedDownloadStartsOnResume)
{
    RMExpensiveOperations::setAllowed(false);
    recorder_.take();
    const auto image = download(url());
    EXPECT_THAT(recorder_.take(), ElementsAre("RMTileRequested"));
    ASSERT_NE(image->connection(), nullptr);
    EXPECT_FALSE(image->connection()->isStarted());
    platform::RunLoop::runPendingEvents();
    EXPECT_EQ(server_.requestCount(path()), 0u);

    RMExpensiveOperations::setAllowed(true);
    EXPECT_TRUE(image->connection()->isStarted());
    ASSERT_TRUE(waitFor([&] { return image->isLoaded(); }));
    EXPECT_THAT(recorder_.take(),
        ElementsAre("RMResumeExpensiveOperations", "MapImageLoaded (image)", "RMTileRetrieved"));
}

TEST_F(RMWebTileImageTest, BytesArrivingWhileSuspendedAreDecodedOnResume)
{
    const auto image = download(url());
    RMExpensiveOperations::setAllowed(false);
    ASSERT_TRUE(waitFor([&] { return !image->connection(); }));
    EXPECT_FALSE(image->isLoaded());
    EXPECT_THAT(
        recorder_.take(), ElementsAre("RMTileRequested", "RMSuspendExpensiveOperations", "RMTileRetrieved"));

    RMExpensiveOperations::setAllowed(true);
    EXPECT_TRUE(image->isLoaded());
    EXPECT_THAT(recorder_.take(), ElementsAre("RMResumeExpensiveOperations", "MapImageLoaded (image)"));
}

TEST_F(RMWebTileImageTest, FailureKeepsTheConnectionUntilCancelled)
{
    std::string refused;
    {
        const TileServer closed;
        refused = closed.tileUrl(3, 5, 4);
    }
    LogCapture log;
    const auto image = download(refused);
    image->makeLayer();
    ASSERT_TRUE(waitFor([&] { return !image->proxy(); }));

    EXPECT_THAT(log.take(), ElementsAre(StartsWith("Tile could not be loaded: ")));
    EXPECT_THAT(recorder_.take(), ElementsAre("RMTileRequested", "RMTileRetrieved"));
    EXPECT_NE(image->connection(), nullptr) << "failed, not yet cancelled";
    EXPECT_EQ(image->layer()->contents(), RMTileProxy::loadingTile()->image())
        << "the layer keeps its picture";

    image->cancelLoading();
    EXPECT_THAT(recorder_.take(), ElementsAre("RMTileRetrieved", "MapImageLoadingCancelled (image)"));
    EXPECT_EQ(image->connection(), nullptr);
    image->cancelLoading();
    EXPECT_THAT(recorder_.take(), IsEmpty());
}

TEST_F(RMWebTileImageTest, LayerMadeAfterAFailureShowsNothing)
{
    server_.respondWithStatus(path(), 500);
    LogCapture log;
    const auto image = download(url());
    ASSERT_TRUE(waitFor([&] { return !image->proxy(); }));
    log.take();
    image->makeLayer();
    EXPECT_TRUE(image->layer()->contents().isNull());
    EXPECT_FALSE(image->isLoaded());
}

// An error page is not the tile, even when it is a picture: taken for the
// tile it would stand for it in every cache. Nor is a body cut short or one
// beyond the size limit.
TEST_F(RMWebTileImageTest, ErrorStatusTruncatedOrOversizedBodyIsAFailure)
{
    server_.respondWithStatus("/error.png", 404, std::string(TileServer::tileData(9, 9, 9).view()));
    server_.respondTruncated("/truncated.png");
    server_.respondWithBody(
        "/oversized.png", std::string(RMWebTileImage::kMaximumTileBytes + 1, 'x'), "image/png");
    const std::pair<const char*, testing::Matcher<const std::string&>> cases[] = {
        { "/error.png", "Tile could not be loaded: The server answered with HTTP status 404." },
        { "/truncated.png", StartsWith("Tile could not be loaded: ") },
        { "/oversized.png", "Tile could not be loaded: The answer is larger than 8388608 bytes." },
    };
    for (const auto& [failing, logged] : cases) {
        SCOPED_TRACE(failing);
        LogCapture log;
        const auto image = download(server_.baseUrl() + failing);
        ASSERT_TRUE(waitFor([&] { return !image->proxy(); }));
        EXPECT_THAT(log.take(), ElementsAre(logged));
        EXPECT_THAT(recorder_.take(), ElementsAre("RMTileRequested", "RMTileRetrieved"));
        EXPECT_FALSE(image->isLoaded());
        EXPECT_TRUE(platform::ResponseCache::shared().cachedData(server_.baseUrl() + failing).empty());
        image->cancelLoading();
        recorder_.take();
    }
}

// Answers that are no picture were taken for the tile: "loaded", drawn
// blank, never fetched again.
TEST_F(RMWebTileImageTest, AnswerThatIsNotAPictureIsAFailedTile)
{
    const std::string png(TileServer::tileData(kTile.zoom, kTile.x, kTile.y).view());
    const vantry::test::RawHttpServer closing(
        "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\n\r\n"
        + png.substr(0, png.size() / 2));
    server_.respondWithBody("/portal.png", "<html>captive portal</html>", "text/html");
    server_.respondWithBody("/empty.png", "", "image/png");
    server_.respondWithStatus("/nothing.png", 204, "");
    const std::pair<std::string, std::string> cases[] = {
        { server_.baseUrl() + "/portal.png", "The answer is not a picture (27 bytes of text/html)." },
        { server_.baseUrl() + "/empty.png", "The answer is not a picture (0 bytes of image/png)." },
        { server_.baseUrl() + "/nothing.png", "The answer is not a picture (0 bytes of text/html)." },
        { "http://" + closing.host() + "/3/5/4.png",
            "The answer is not a picture (" + std::to_string(png.size() / 2) + " bytes of image/png)." },
    };
    for (const auto& [answering, failure] : cases) {
        SCOPED_TRACE(answering);
        LogCapture log;
        const auto image = download(answering);
        ASSERT_TRUE(waitFor([&] { return !image->proxy(); }));
        EXPECT_THAT(log.take(), ElementsAre("Tile could not be loaded: " + failure));
        EXPECT_THAT(recorder_.take(), ElementsAre("RMTileRequested", "RMTileRetrieved"));
        EXPECT_FALSE(image->isLoaded());
        EXPECT_NE(image->connection(), nullptr) << "failed: fetched again when it comes back on screen";
        EXPECT_NE(image->answerStatus(), 0);
        EXPECT_TRUE(platform::ResponseCache::shared().cachedData(answering).empty());
        image->cancelLoading();
        recorder_.take();
    }
}

// A correctly framed PNG with damaged picture data was admitted to the
// response cache and stood for the tile in every later run.
TEST_F(RMWebTileImageTest, DamagedPictureNeverStaysInTheResponseCache)
{
    std::string damaged(TileServer::tileData(kTile.zoom, kTile.x, kTile.y).view());
    const std::size_t data = damaged.find("IDAT") + 4;
    for (std::size_t i = data + 20; i < data + 60; ++i)
        damaged[i] = static_cast<char>(~damaged[i]);
    server_.respondWithBody("/damaged.png", damaged, "image/png");
    {
        LogCapture log;
        const auto image = download(server_.baseUrl() + "/damaged.png");
        ASSERT_TRUE(waitFor([&] { return !image->proxy(); }));
        EXPECT_THAT(
            log.take(), ElementsAre(StartsWith("Tile could not be loaded: The answer is not a picture")));
        EXPECT_TRUE(platform::ResponseCache::shared().cachedData(server_.baseUrl() + "/damaged.png").empty());
    }

    // One that got in before is removed when read, and the tile fetched.
    ASSERT_TRUE(platform::ResponseCache::shared().storeResponse(
        url(), 200, { { "Cache-Control", "max-age=86400" } }, { platform::Data::fromString(damaged) }));
    LogCapture log;
    const auto image = download(url());
    EXPECT_THAT(log.take(), ElementsAre("Removed a stored answer that is not a picture: " + url()));
    ASSERT_NE(image->connection(), nullptr);
    ASSERT_TRUE(waitFor([&] { return image->isLoaded(); }));
    EXPECT_EQ(platform::ResponseCache::shared().cachedData(url()),
        TileServer::tileData(kTile.zoom, kTile.x, kTile.y));
    recorder_.take();
}

TEST_F(RMWebTileImageTest, AnnouncedLengthIsNotTrustedForTheBuffer)
{
    RMExpensiveOperations::setAllowed(false);
    const auto image = download(url());
    platform::HttpResponse response;
    response.statusCode = 200;
    response.expectedContentLength = std::int64_t { 1 } << 60;
    const auto connection = platform::HttpConnection::create(url(), *image, false);
    image->connectionDidReceiveResponse(*connection, response);
    image->connectionDidReceiveData(*connection, platform::Data::fromString("bytes"));
    SUCCEED() << "no exabyte buffer was reserved";
}

TEST_F(RMWebTileImageTest, CancellingOrDestroyingARunningDownloadStopsIt)
{
    server_.hold(path());
    for (const bool destroy : { false, true }) {
        SCOPED_TRACE(destroy ? "destroyed" : "cancelled");
        auto image = download(url());
        ASSERT_TRUE(waitFor([&] { return server_.waitingCount(path()) == 1; }));

        if (destroy)
            image.reset();
        else
            image->cancelLoading();
        EXPECT_THAT(recorder_.take(),
            ElementsAre("RMTileRequested", "RMTileRetrieved", "MapImageLoadingCancelled (image)"));
        server_.release(path());
        server_.waitUntilAnswered(path(), destroy ? 2 : 1);
        platform::RunLoop::runUntil([] { return false; }, 0.2);
        EXPECT_THAT(recorder_.take(), IsEmpty());
        if (image) {
            EXPECT_FALSE(image->isLoaded());
        }
        server_.hold(path());
    }
}

TEST_F(RMWebTileImageTest, ImageDestroyedWhileWaitingIsNotStartedByTheResume)
{
    RMExpensiveOperations::setAllowed(false);
    auto image = download(url());
    image.reset();
    recorder_.take();
    RMExpensiveOperations::setAllowed(true);
    platform::RunLoop::runUntil([] { return false; }, 0.1);
    EXPECT_THAT(recorder_.take(), ElementsAre("RMResumeExpensiveOperations"));
    EXPECT_EQ(server_.requestCount(path()), 0u);
}

TEST_F(RMWebTileImageTest, InvalidURLGivesNoConnectionAndNoPlaceholder)
{
    LogCapture log;
    const auto image = download("not a url");
    EXPECT_THAT(log.take(), ElementsAre("Error: Connection is nil ?!?"));
    EXPECT_THAT(recorder_.take(), IsEmpty());
    EXPECT_EQ(image->connection(), nullptr);
    EXPECT_EQ(image->proxy(), nullptr);
    image->makeLayer();
    EXPECT_TRUE(image->layer()->contents().isNull());
}

} // namespace
