#include "HttpConnection.h"
#include "LogCapture.h"
#include "ManualClock.h"
#include "RawHttpServer.h"
#include "ResponseCache.h"
#include "RunLoop.h"
#include "TileServer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using platform::Data;
using platform::HttpConnection;
using platform::HttpConnectionDelegate;
using platform::HttpRequest;
using platform::HttpResponse;
using platform::ResponseCache;
using platform::RunLoop;
using vantry::test::TileServer;

namespace {

constexpr double kPatience = 20; // seconds of real time before a test gives up

// Records every callback; a test can act inside any of them.
class Recorder : public HttpConnectionDelegate {
public:
    std::vector<std::string> events;
    HttpResponse response;
    std::string body;
    std::string error;
    bool allowCache = true;
    std::function<void(const std::string& event)> onEvent;

    bool done() const { return finished_ || failed_; }
    bool finished() const { return finished_; }
    bool failed() const { return failed_; }

    void connectionDidReceiveResponse(HttpConnection&, const HttpResponse& received) override
    {
        response = received;
        record("response " + std::to_string(received.statusCode));
    }
    void connectionDidReceiveData(HttpConnection&, const Data& data) override
    {
        body.append(data.view());
        record("data");
    }
    bool connectionWillCacheResponse(HttpConnection&, const HttpResponse&) override
    {
        record("cache?");
        return allowCache;
    }
    void connectionDidFailWithError(HttpConnection&, const std::string& description) override
    {
        failed_ = true;
        error = description;
        record("fail");
    }
    void connectionDidFinishLoading(HttpConnection&) override
    {
        finished_ = true;
        record("finish");
    }

    // The events with repeated "data" entries folded into one.
    std::vector<std::string> outline() const
    {
        std::vector<std::string> folded;
        for (const std::string& event : events) {
            if (event != "data" || folded.empty() || folded.back() != "data")
                folded.push_back(event);
        }
        return folded;
    }

private:
    void record(const std::string& event)
    {
        events.push_back(event);
        if (onEvent)
            onEvent(event);
    }
    bool finished_ = false;
    bool failed_ = false;
};

class HttpConnectionTest : public ::testing::Test {
protected:
    HttpConnectionTest() { ResponseCache::shared().setDirectory(cacheFolder.path().toStdString()); }

    // Loads a URL to the end and returns what the delegate saw.
    void load(Recorder& recorder, const std::string& url)
    {
        HttpRequest request;
        request.url = url;
        load(recorder, request);
    }
    void load(Recorder& recorder, const HttpRequest& request)
    {
        auto connection = HttpConnection::create(request, recorder);
        ASSERT_NE(connection, nullptr);
        ASSERT_TRUE(RunLoop::runUntil([&] { return recorder.done(); }, kPatience)) << request.url;
    }

    // Lets a full request and answer over the network go by, so anything a
    // cancelled request might still have delivered would have arrived.
    void settle()
    {
        const std::string path = "/settle/" + std::to_string(++settled);
        server.respondWithBody(path, "settled", "text/plain");
        Recorder other;
        other.allowCache = false;
        load(other, server.baseUrl() + path);
    }

    int settled = 0;

    QTemporaryDir cacheFolder;
    TileServer server;
};

} // namespace

TEST_F(HttpConnectionTest, DeliversResponseDataCacheQuestionAndFinishInOrder)
{
    Recorder recorder;
    load(recorder, server.tileUrl(1, 0, 1));
    const Data tile = TileServer::tileData(1, 0, 1);
    EXPECT_EQ(recorder.outline(), (std::vector<std::string> { "response 200", "data", "cache?", "finish" }));
    EXPECT_EQ(recorder.body, tile.view());
    EXPECT_EQ(recorder.response.expectedContentLength, static_cast<std::int64_t>(tile.size()));
    EXPECT_EQ(recorder.response.mimeType, "image/png");
    EXPECT_EQ(recorder.response.url, server.tileUrl(1, 0, 1));
    const std::string agent = server.lastRequestHeader(TileServer::tilePath(1, 0, 1), "User-Agent");
    EXPECT_EQ(agent, HttpConnection::userAgent());
    EXPECT_EQ(agent.rfind("Vantry/" VANTRY_VERSION, 0), 0u) << agent;
}

TEST_F(HttpConnectionTest, FollowsRedirectsButNotForEver)
{
    server.redirect("/moved.png", "/3/2/1.png", 301);
    Recorder recorder;
    load(recorder, server.baseUrl() + "/moved.png");
    ASSERT_TRUE(recorder.finished()) << recorder.error;
    EXPECT_EQ(recorder.response.url, server.tileUrl(3, 2, 1));
    EXPECT_EQ(recorder.body, TileServer::tileData(3, 2, 1).view());
    EXPECT_EQ(recorder.events.front(), "response 200") << "the redirect itself is not reported";

    server.redirect("/a.png", "/b.png");
    server.redirect("/b.png", "/a.png");
    Recorder looping;
    load(looping, server.baseUrl() + "/a.png");
    EXPECT_TRUE(looping.failed());
    EXPECT_FALSE(looping.error.empty());
    EXPECT_LT(server.requestCount("/a.png") + server.requestCount("/b.png"), 20u);
}

TEST_F(HttpConnectionTest, ErrorStatusAndPagesArriveAsDataWithTheStatusAndErrorsAreNeverCached)
{
    server.respondWithStatus("/4/4/4.png", 404, "<h1>Not Found</h1>");
    server.respondWithStatus("/5/5/5.png", 503, "<h1>Busy</h1>");
    server.respondWithBody("/7/0/0.png", "<html>captive portal</html>", "text/html");
    Recorder notFound;
    load(notFound, server.tileUrl(4, 4, 4));
    EXPECT_EQ(notFound.outline(), (std::vector<std::string> { "response 404", "data", "finish" }));
    EXPECT_EQ(notFound.body, "<h1>Not Found</h1>");
    Recorder busy;
    load(busy, server.tileUrl(5, 5, 5));
    EXPECT_EQ(busy.response.statusCode, 503);
    EXPECT_TRUE(busy.finished());
    EXPECT_TRUE(ResponseCache::shared().cachedData(server.tileUrl(4, 4, 4)).empty());
    EXPECT_TRUE(ResponseCache::shared().cachedData(server.tileUrl(5, 5, 5)).empty());

    Recorder portal;
    load(portal, server.tileUrl(7, 0, 0));
    EXPECT_TRUE(portal.finished());
    EXPECT_EQ(portal.body, "<html>captive portal</html>");
    EXPECT_EQ(portal.response.mimeType, "text/html");
}

TEST_F(HttpConnectionTest, TruncatedBodyFails)
{
    server.respondTruncated(TileServer::tilePath(6, 1, 2));
    Recorder recorder;
    load(recorder, server.tileUrl(6, 1, 2));
    EXPECT_TRUE(recorder.failed());
    EXPECT_FALSE(recorder.error.empty());
    EXPECT_EQ(std::count(recorder.events.begin(), recorder.events.end(), "cache?"), 0);
    EXPECT_TRUE(ResponseCache::shared().cachedData(server.tileUrl(6, 1, 2)).empty());
}

TEST_F(HttpConnectionTest, InvalidUrlsGiveNoConnection)
{
    Recorder recorder;
    for (const char* url :
        { "", "not a url", "ftp://127.0.0.1/1/0/0.png", "http://", "/1/0/0.png", "http://exa mple.org/" })
        EXPECT_EQ(HttpConnection::create(url, recorder), nullptr) << url;
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(HttpConnectionTest, RefusedConnectionFailsWithADescription)
{
    int port;
    {
        TileServer closed;
        port = closed.port();
    }
    Recorder recorder;
    load(recorder, "http://127.0.0.1:" + std::to_string(port) + "/1/1/1.png");
    EXPECT_EQ(recorder.events, (std::vector<std::string> { "fail" }));
    EXPECT_FALSE(recorder.error.empty());
}

TEST_F(HttpConnectionTest, DeferredConnectionWaitsForStart)
{
    Recorder recorder;
    auto connection = HttpConnection::create(server.tileUrl(8, 0, 0), recorder, false);
    ASSERT_NE(connection, nullptr);
    EXPECT_FALSE(connection->isStarted());
    settle();
    EXPECT_EQ(server.requestCount(TileServer::tilePath(8, 0, 0)), 0u);
    EXPECT_TRUE(recorder.events.empty());
    connection->start();
    connection->start();
    ASSERT_TRUE(RunLoop::runUntil([&] { return recorder.done(); }, kPatience));
    EXPECT_TRUE(recorder.finished());
    EXPECT_EQ(server.requestCount(TileServer::tilePath(8, 0, 0)), 1u);
}

TEST_F(HttpConnectionTest, CancelledConnectionReportsNothing)
{
    const std::string path = TileServer::tilePath(10, 3, 3);
    server.hold(path);
    Recorder recorder;
    auto connection = HttpConnection::create(server.tileUrl(10, 3, 3), recorder);
    ASSERT_TRUE(RunLoop::runUntil([&] { return server.waitingCount(path) == 1; }, kPatience));
    connection->cancel();
    server.release(path);
    settle();
    EXPECT_TRUE(recorder.events.empty());
    connection->start();
    settle();
    EXPECT_TRUE(recorder.events.empty()) << "a cancelled connection cannot be started again";
}

TEST_F(HttpConnectionTest, DestroyedConnectionReportsNothingEvenWhenItsAnswerHasArrived)
{
    const std::string path = TileServer::tilePath(11, 0, 0);
    server.hold(path);
    Recorder recorder;
    auto connection = HttpConnection::create(server.tileUrl(11, 0, 0), recorder);
    ASSERT_TRUE(RunLoop::runUntil([&] { return server.waitingCount(path) == 1; }, kPatience));
    // The answer goes out while this thread runs no events, so it waits in
    // the queue when the connection goes.
    server.release(path);
    server.waitUntilAnswered(path, 1);
    connection.reset();
    settle();
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(HttpConnectionTest, CallbacksMayDestroyTheConnection)
{
    for (const std::string stopAt : { "response 200", "data", "cache?", "finish" }) {
        Recorder recorder;
        std::unique_ptr<HttpConnection> connection;
        recorder.onEvent = [&](const std::string& event) {
            if (event == stopAt)
                connection.reset();
        };
        connection = HttpConnection::create(server.tileUrl(12, 0, 0), recorder);
        ASSERT_TRUE(RunLoop::runUntil([&] { return !connection; }, kPatience)) << stopAt;
        settle();
        EXPECT_EQ(recorder.events.back(), stopAt);
        EXPECT_EQ(std::count(recorder.events.begin(), recorder.events.end(), stopAt), 1);
    }
}

TEST_F(HttpConnectionTest, CallbackMayDestroyTheDelegateThatOwnsTheConnection)
{
    // Deletes itself, and with it its connection, on the response.
    struct Owner : HttpConnectionDelegate {
        std::unique_ptr<HttpConnection> connection;
        std::unique_ptr<Owner>* holder = nullptr;
        int* calls = nullptr;
        void connectionDidReceiveResponse(HttpConnection&, const HttpResponse&) override
        {
            ++*calls;
            holder->reset();
        }
        void connectionDidReceiveData(HttpConnection&, const Data&) override { ++*calls; }
        bool connectionWillCacheResponse(HttpConnection&, const HttpResponse&) override
        {
            return ++*calls, true;
        }
        void connectionDidFailWithError(HttpConnection&, const std::string&) override { ++*calls; }
        void connectionDidFinishLoading(HttpConnection&) override { ++*calls; }
    };
    int calls = 0;
    auto owner = std::make_unique<Owner>();
    owner->holder = &owner;
    owner->calls = &calls;
    owner->connection = HttpConnection::create(server.tileUrl(13, 0, 0), *owner);
    ASSERT_TRUE(RunLoop::runUntil([&] { return !owner; }, kPatience));
    settle();
    EXPECT_EQ(calls, 1);
}

TEST_F(HttpConnectionTest, TimesOutWhenTheServerStaysSilent)
{
    const std::string path = TileServer::tilePath(14, 0, 0);
    server.hold(path);
    HttpRequest request;
    request.url = server.tileUrl(14, 0, 0);
    request.timeoutInterval = 0.2;
    Recorder recorder;
    auto connection = HttpConnection::create(request, recorder);
    ASSERT_TRUE(RunLoop::runUntil([&] { return recorder.done(); }, kPatience));
    EXPECT_EQ(recorder.events, (std::vector<std::string> { "fail" }));
    EXPECT_EQ(recorder.error, "The request timed out.");
    server.release(path);
}

TEST_F(HttpConnectionTest, PostsABodyWithHeaders)
{
    HttpRequest request;
    request.url = server.baseUrl() + "/api/play";
    request.method = "POST";
    request.headers = { { "Content-Type", "application/json" } };
    request.body = Data::fromString(R"({"points":[[1.5,2.5]]})");
    Recorder recorder;
    auto connection = HttpConnection::create(request, recorder);
    ASSERT_TRUE(RunLoop::runUntil([&] { return recorder.done(); }, kPatience));
    EXPECT_EQ(recorder.outline(), (std::vector<std::string> { "response 200", "data", "finish" }))
        << "only GET answers are offered to the cache";
    EXPECT_EQ(recorder.body, R"({"points":[[1.5,2.5]]})");
    EXPECT_EQ(server.lastRequestHeader("/api/play", "Content-Type"), "application/json");
}

TEST_F(HttpConnectionTest, CacheableAnswerEntersTheResponseCacheWhenTheDelegateAgrees)
{
    const std::string url = server.tileUrl(15, 1, 2);
    EXPECT_TRUE(ResponseCache::shared().cachedData(url).empty());
    Recorder recorder;
    load(recorder, url);
    EXPECT_EQ(ResponseCache::shared().cachedData(url), TileServer::tileData(15, 1, 2));

    Recorder refusing;
    refusing.allowCache = false;
    load(refusing, server.tileUrl(15, 1, 3));
    EXPECT_TRUE(refusing.finished());
    EXPECT_TRUE(ResponseCache::shared().cachedData(server.tileUrl(15, 1, 3)).empty());
}

TEST_F(HttpConnectionTest, AtMostTwoRequestsRunAtOnceToOneHost)
{
    server.setDelay(0.05);
    std::vector<Recorder> recorders(6);
    std::vector<std::unique_ptr<HttpConnection>> connections;
    for (int x = 0; x < 6; ++x)
        connections.push_back(HttpConnection::create(server.tileUrl(16, x, 0), recorders[x]));
    ASSERT_TRUE(
        RunLoop::runUntil([&] { return std::ranges::all_of(recorders, &Recorder::finished); }, kPatience));
    EXPECT_EQ(server.peakConcurrentRequests(), 2u);
}

TEST_F(HttpConnectionTest, ABodyBeyondTheLimitFailsBeforeMuchOfItIsRead)
{
    constexpr std::int64_t kLimit = 1 << 20;
    constexpr std::int64_t kHuge = std::int64_t { 1 } << 32;
    server.respondWithHugeBody("/announced", kHuge, true);
    server.respondWithHugeBody("/chunked", kHuge, false);
    for (const std::string path : { "/announced", "/chunked" }) {
        SCOPED_TRACE(path);
        HttpRequest request;
        request.url = server.baseUrl() + path;
        request.maximumContentLength = kLimit;
        Recorder recorder;
        load(recorder, request);
        EXPECT_EQ(recorder.error, "The answer is larger than 1048576 bytes.");
        EXPECT_LE(static_cast<std::int64_t>(recorder.body.size()), kLimit);
        if (path == "/announced") {
            EXPECT_EQ(recorder.events, (std::vector<std::string> { "fail" }));
        }
        // Qt stopped reading while its small buffer was full, so the server
        // got rid of little more than the limit.
        EXPECT_LT(server.bytesSent(path), 32 << 20);
    }
}

TEST_F(HttpConnectionTest, ATricklingAnswerFailsAtTheTimeLimit)
{
    vantry::test::ManualClock clock(1000);
    server.respondTrickling("/trickle", 0.01);
    HttpRequest request;
    request.url = server.baseUrl() + "/trickle";
    request.timeLimit = 60;
    Recorder recorder;
    auto connection = HttpConnection::create(request, recorder);
    for (int step = 0; step < 6 && !recorder.done(); ++step) {
        const std::size_t before = recorder.body.size();
        ASSERT_TRUE(RunLoop::runUntil([&] { return recorder.body.size() > before; }, kPatience));
        // Progress within every 10 seconds: never 30 seconds without any.
        clock.advance(10);
    }
    EXPECT_TRUE(recorder.failed());
    EXPECT_EQ(recorder.error, "The answer took longer than 60 seconds.");
}

// Requests cancelled while their server closes every connection it accepts
// once wedged the requests that followed them to the same server for good,
// and made Qt warn that an error was reported twice.
TEST_F(HttpConnectionTest, ServerThatClosesEveryConnectionFailsEveryRequestPromptly)
{
    const vantry::test::RawHttpServer closing;
    for (int round = 0; round < 5; ++round) {
        std::vector<Recorder> recorders(48);
        std::vector<std::unique_ptr<HttpConnection>> connections;
        for (int i = 0; i < 48; ++i)
            connections.push_back(HttpConnection::create(
                "http://" + closing.host() + "/" + std::to_string(i) + ".png", recorders[i]));
        RunLoop::runPendingEvents();
        for (int i = 0; i < 24; ++i)
            connections[i].reset();
        ASSERT_TRUE(RunLoop::runUntil(
            [&] {
                return std::all_of(
                    recorders.begin() + 24, recorders.end(), [](const Recorder& r) { return r.failed(); });
            },
            kPatience))
            << "round " << round;
    }
}
