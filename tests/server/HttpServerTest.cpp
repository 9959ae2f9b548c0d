// The HTTP engine alone, over plain TCP on loopback: what it answers to requests no client should
// send, and what it lets a client spend.
#include "HttpServer.h"
#include "HttpRoutes.h"
#include "LogCapture.h"
#include "RawConnection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

using server::HttpAnswer;
using vantry::test::RawConnection;

namespace {

constexpr std::chrono::seconds kPatience { 10 };

class HttpServerTest : public ::testing::Test {
protected:
    HttpServerTest()
    {
        routes_.post("/echo", 16, [this](std::string_view body, server::HttpRoutes::Respond respond) {
            ++posts_;
            respond(HttpAnswer::plain(200, std::string(body)));
        });
        routes_.getUnder(
            "/files/", [](std::string_view rest) { return HttpAnswer::plain(200, std::string(rest)); });
    }

    void start(server::HttpLimits limits)
    {
        server_ = std::make_unique<server::HttpServer>(&routes_, nullptr, nullptr, limits);
        port_ = server_->bind("127.0.0.1", 0);
        ASSERT_GT(port_, 0);
        server_->start();
    }

    void SetUp() override
    {
        server::HttpLimits limits;
        limits.headerBytes = 1024;
        limits.linger = std::chrono::milliseconds(300);
        start(limits);
    }

    server::HttpRoutes routes_;
    std::atomic<int> posts_ = 0;
    std::unique_ptr<server::HttpServer> server_;
    int port_ = 0;
};

TEST_F(HttpServerTest, RequestsItCannotFrameAreRefusedAndEndTheConnection)
{
    const std::string hidden = "POST /echo HTTP/1.1\r\nHost: x\r\nContent-Length: 6\r\n\r\nhidden";
    const struct {
        const char* what;
        std::string request;
        const char* answer; // the status line and the start of the body
    } cases[] = {
        { "a POST without a length", "POST /echo HTTP/1.1\r\nHost: x\r\n\r\n", "411" },
        { "two lengths", "POST /echo HTTP/1.1\r\nContent-Length: 3\r\nContent-Length: 40\r\n\r\nabc" + hidden,
            "400" },
        { "a negative length", "POST /echo HTTP/1.1\r\nContent-Length: -1\r\n\r\n", "400" },
        { "a length beyond 64 bits", "POST /echo HTTP/1.1\r\nContent-Length: 18446744073709551621\r\n\r\n",
            "400" },
        { "a coding other than chunked", "POST /echo HTTP/1.1\r\nTransfer-Encoding: gzip, chunked\r\n\r\n",
            "400" },
        { "a length and chunks",
            "POST /echo HTTP/1.1\r\nContent-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n", "400" },
        { "a space before the colon", "POST /echo HTTP/1.1\r\nContent-Length : 5\r\n\r\nhello", "400" },
        { "a head over the limit", "GET /files/a HTTP/1.1\r\nX: " + std::string(2000, 'a') + "\r\n\r\n",
            "431" },
        { "a body over the route's limit",
            "POST /echo HTTP/1.1\r\nContent-Length: 17\r\n\r\n" + std::string(17, 'b'),
            "400 Bad Request\r\n" },
        { "a chunked body over the limit",
            "POST /echo HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n20\r\n" + std::string(32, 'c')
                + "\r\n0\r\n\r\n" + hidden,
            "400" },
        { "a GET with a body", "GET /files/a HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello" + hidden, "400" },
        { "a body to no route", "POST /nowhere HTTP/1.1\r\nContent-Length: 6\r\n\r\nbodies" + hidden, "404" },
    };
    for (const auto& c : cases) {
        RawConnection connection(port_);
        ASSERT_TRUE(connection.connected()) << c.what;
        connection.send(c.request);
        std::string received;
        EXPECT_TRUE(connection.closedByServer(kPatience, &received)) << c.what;
        EXPECT_TRUE(received.starts_with("HTTP/1.1 " + std::string(c.answer))) << c.what << ": " << received;
        EXPECT_NE(received.find("Connection: close"), std::string::npos) << c.what;
    }
    EXPECT_EQ(posts_, 0) << "no request hidden behind a refused one was served";
}

TEST_F(HttpServerTest, RequestsItCanFrameAreServedOnOneConnection)
{
    RawConnection connection(port_);
    connection.send("POST /echo?x=1 HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello"
                    "POST /echo HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n"
                    "GET /files/dir/name.png HTTP/1.1\r\n\r\n");
    const std::string received = connection.receive(std::chrono::milliseconds(500));
    EXPECT_NE(received.find("\r\n\r\nhello"), std::string::npos) << received;
    EXPECT_NE(received.find("\r\n\r\nabc"), std::string::npos) << received;
    EXPECT_NE(received.find("\r\n\r\ndir/name.png"), std::string::npos) << received;
    EXPECT_EQ(received.find("Connection: close"), std::string::npos) << received;
    EXPECT_EQ(posts_, 2);
}

TEST_F(HttpServerTest, AHugeBodyIsRefusedWithoutReadingIt)
{
    RawConnection connection(port_);
    connection.send("POST /nowhere HTTP/1.1\r\nContent-Length: 1073741824\r\n\r\n");
    // The server answers at once and drops what follows for its linger time only: the client's
    // sending ends long before it would have sent the whole announced body eight times.
    const std::string piece(1024 * 1024, 'x');
    constexpr std::size_t kMost = 8 * 1024;
    std::size_t pieces = 0;
    const auto started = std::chrono::steady_clock::now();
    while (pieces < kMost && connection.send(piece))
        ++pieces;
    EXPECT_LT(pieces, kMost);
    EXPECT_TRUE(connection.closedByServer(kPatience));
    EXPECT_LT(std::chrono::steady_clock::now() - started, kPatience);
}

TEST_F(HttpServerTest, OneAddressGetsItsShareOfConnectionsAndOthersStillGetIn)
{
    server::HttpLimits limits;
    limits.connectionsPerAddress = 3;
    server_.reset();
    start(limits);
    vantry::test::LogCapture log;
    std::vector<std::unique_ptr<RawConnection>> held;
    for (int i = 0; i < 3; ++i)
        held.push_back(std::make_unique<RawConnection>(port_));
    for (int i = 0; i < 2; ++i) {
        RawConnection refused(port_);
        EXPECT_TRUE(refused.closedByServer(kPatience)) << i;
    }
    RawConnection other(port_, "127.0.0.2");
    other.send("GET /files/a HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(other.receive(std::chrono::milliseconds(500)).starts_with("HTTP/1.1 200 OK\r\n"));
    held.pop_back();
    EXPECT_EQ(log.take(),
        std::vector<std::string> {
            "refused connections from 127.0.0.1: 3 open from it, 3 in all (at most 3 and 10000)" });
}

TEST_F(HttpServerTest, SilentAndTricklingClientsBeyondTheThreadsHoldNobodyUp)
{
    server::HttpLimits limits;
    limits.threads = 1;
    limits.connectionsPerAddress = 100;
    server_.reset();
    start(limits);
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (int i = 0; i < 40; ++i) {
        slow.push_back(std::make_unique<RawConnection>(port_));
        if (i % 2)
            slow.back()->send("GET /files/a HTTP/1.1\r\nX: ");
    }
    RawConnection player(port_);
    const auto started = std::chrono::steady_clock::now();
    player.send("GET /files/a HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(player.receive(std::chrono::milliseconds(500)).starts_with("HTTP/1.1 200 OK\r\n"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

} // namespace
