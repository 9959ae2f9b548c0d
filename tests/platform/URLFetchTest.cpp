#include "URLFetch.h"
#include "HttpConnection.h"
#include "LogCapture.h"
#include "RunLoop.h"
#include "TileServer.h"
#include "Timer.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::fetchURLContents;
using vantry::test::LogCapture;
using vantry::test::TileServer;

namespace {

// Long enough for any loopback answer, short enough to keep the one test
// that waits it out quick.
constexpr double kTimeout = 0.3;

struct Failure {
    std::string path;
    std::string reason;
};

} // namespace

TEST(URLFetchTest, ReturnsTheBodyOfASuccessfulAnswerAndSendsOurUserAgent)
{
    TileServer server;
    const std::optional<platform::Data> body = fetchURLContents(server.tileUrl(2, 1, 3));
    ASSERT_TRUE(body);
    EXPECT_EQ(*body, TileServer::tileData(2, 1, 3));
    EXPECT_EQ(server.lastRequestHeader(TileServer::tilePath(2, 1, 3), "User-Agent"),
        platform::HttpConnection::userAgent());
}

TEST(URLFetchTest, FailuresAreNoneWithOneLineNamingTheUrlAndWhy)
{
    TileServer server;
    server.respondWithStatus("/gone.png", 404);
    server.respondWithStatus("/broken.png", 500);
    server.respondWithBody("/huge.png", std::string(platform::kMaximumFetchedBytes + 1, 'x'), "image/png");
    const std::vector<Failure> failures {
        { "/gone.png", "HTTP status 404" },
        { "/broken.png", "HTTP status 500" },
        { "/huge.png", "the answer is larger than 8 MiB" },
    };
    for (const Failure& failure : failures) {
        LogCapture log;
        const std::string url = server.baseUrl() + failure.path;
        EXPECT_FALSE(fetchURLContents(url, 10)) << failure.path;
        EXPECT_EQ(log.take(), std::vector<std::string> { "Could not fetch " + url + ": " + failure.reason });
    }
    LogCapture log;
    EXPECT_FALSE(fetchURLContents("file:///etc/passwd"));
    EXPECT_FALSE(fetchURLContents("http://a\nb/"));
    EXPECT_EQ(log.take(),
        (std::vector<std::string> { "Could not fetch file:///etc/passwd: not an http or https URL",
            "Could not fetch http://a\\x0Ab/: not an http or https URL" }));
}

// Regression: a picture server that never answered froze the game for
// ever, and waiting for it must not run the main thread's callbacks.
TEST(URLFetchTest, AServerThatNeverAnswersTimesOutWithoutRunningTheCallersLoop)
{
    TileServer server;
    server.hold("/never.png");
    bool qtTimerFired = false;
    bool platformTimerFired = false;
    QTimer::singleShot(0, [&] { qtTimerFired = true; });
    platform::Timer timer = platform::Timer::scheduledTimer(0, false, [&] { platformTimerFired = true; });

    LogCapture log;
    const std::string url = server.baseUrl() + "/never.png";
    EXPECT_FALSE(fetchURLContents(url, kTimeout));
    EXPECT_EQ(log.take(),
        std::vector<std::string> { "Could not fetch " + url + ": no complete answer within 0.3 seconds" });
    EXPECT_EQ(server.requestCount("/never.png"), 1u);
    EXPECT_FALSE(qtTimerFired);
    EXPECT_FALSE(platformTimerFired);

    // They were due all along: the loop runs them once it gets control back.
    EXPECT_TRUE(platform::RunLoop::runUntil([&] { return qtTimerFired && platformTimerFired; }, 20));
}
