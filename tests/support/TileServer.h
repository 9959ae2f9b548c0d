#pragma once

#include "Data.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace vantry::test {

// A map tile server on the loopback interface, on a port the system picks,
// answering from a thread of its own. GET "/z/x/y.png" answers a cacheable
// 256-pixel PNG tile drawn by makeTileImage, with an ETag ("\"z/x/y\"") and
// "Cache-Control: public, max-age=86400" (see setTileMaxAge); a request
// whose If-None-Match names that ETag gets 304 Not Modified. Any other GET
// answers 404; a POST answers its own body.
// A test can change the answer for a path (to hostile ones too: trickling,
// huge), delay or hold answers, and count and inspect the requests. All
// members are thread-safe.
class TileServer {
public:
    TileServer();
    // Releases held answers and stops.
    ~TileServer();
    TileServer(const TileServer&) = delete;
    TileServer& operator=(const TileServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string baseUrl() const;
    // The URL of a tile, "<base>/z/x/y.png".
    std::string tileUrl(int zoom, int x, int y) const;
    static std::string tilePath(int zoom, int x, int y);
    // The PNG bytes the server sends for a tile.
    static platform::Data tileData(int zoom, int x, int y);

    // Answers `path` with this status and body from now on.
    void respondWithStatus(const std::string& path, int status, const std::string& body = "<h1>error</h1>");
    // Answers `path` with a 200 and this body.
    void respondWithBody(const std::string& path, const std::string& body, const std::string& contentType);
    // Announces the whole tile at `path` but sends only its first half, then
    // closes the connection.
    void respondTruncated(const std::string& path);
    // Redirects `path` to `location` (a path or an absolute URL).
    void redirect(const std::string& path, const std::string& location, int status = 302);
    // Answers `path` with a 200 whose chunked body trickles: one byte, then
    // a pause of `pause` seconds, until the client goes.
    void respondTrickling(const std::string& path, double pause);
    // Answers `path` with a 200 body of `bytes` zeros, chunked or with its
    // length announced, written as fast as the client reads it.
    void respondWithHugeBody(const std::string& path, std::int64_t bytes, bool announced);
    // Bytes of trickling or huge bodies written out for `path` so far.
    std::int64_t bytesSent(const std::string& path) const;

    // The max-age of tiles from now on.
    void setTileMaxAge(int seconds);
    // Every GET waits this long before it is answered.
    void setDelay(double seconds);
    // The largest number of GET requests waiting for their answer (held or
    // delayed) at one time so far; one connection each, as the server closes
    // a connection after one answer.
    std::size_t peakConcurrentRequests() const;

    // Requests for `path` wait from now on until release(path).
    void hold(const std::string& path);
    void release(const std::string& path);
    // The number of requests for `path` waiting in hold().
    std::size_t waitingCount(const std::string& path) const;

    // Blocks the calling thread until `count` answers for `path` have been
    // written out.
    void waitUntilAnswered(const std::string& path, std::size_t count) const;

    // Requests received for `path` so far (including held ones).
    std::size_t requestCount(const std::string& path) const;
    // Every path requested so far, once each, in order.
    std::vector<std::string> requestedPaths() const;
    // A header field of the last request for `path`, or empty.
    std::string lastRequestHeader(const std::string& path, const std::string& name) const;

private:
    struct Answer {
        enum class Kind { Tile, Status, Body, Truncated, Redirect, Trickle, Huge } kind = Kind::Tile;
        int status = 200;
        std::string body;
        std::string contentType;
        double pause = 0;
        std::int64_t bytes = 0;
        bool announced = false;
    };

    void setAnswer(const std::string& path, Answer answer);
    void answerTile(const httplib::Request& request, const Answer& answer, httplib::Response& response);
    void answerHostile(const std::string& path, const Answer& answer, httplib::Response& response);
    void countSent(const std::string& path, std::size_t bytes);

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    mutable std::condition_variable answered_;
    bool stopping_ = false;
    std::map<std::string, Answer> answers_;
    std::set<std::string> held_;
    std::map<std::string, std::size_t> waiting_;
    std::map<std::string, std::size_t> requestCounts_;
    std::map<std::string, std::size_t> answerCounts_;
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> lastHeaders_;
    std::map<std::string, std::int64_t> bytesSent_;
    int tileMaxAge_ = 86400;
    double delay_ = 0;
    std::size_t answering_ = 0;
    std::size_t peakAnswering_ = 0;
};

} // namespace vantry::test
