#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class SSLServer;
struct Response;
} // namespace httplib

namespace vantry::test {

// A game server's play endpoint for tests: HTTPS on the loopback interface
// with a certificate from a certificate authority made for it, answering
// POST /api/play from a thread of its own with the answers a test queues
// (an empty object when none is queued), and keeping every request body
// byte for byte. A test may hold answers until it releases them. All
// members are thread-safe.
class PlayServer {
public:
    // `folder` receives the authority's PEM file.
    explicit PlayServer(const std::string& folder);
    // Releases held answers and stops.
    ~PlayServer();
    PlayServer(const PlayServer&) = delete;
    PlayServer& operator=(const PlayServer&) = delete;

    int port() const { return port_; }
    // The PEM file of the authority that vouches for the server.
    const std::string& authorityFile() const { return authorityFile_; }

    // The next request is answered with this status and body.
    void queueAnswer(const std::string& body, int status = 200);
    // The next request is answered with a 200 that never ends: random letters, `bytes` at a time
    // with `pause` between, until the client leaves or the server stops.
    void queueEndlessAnswer(std::size_t bytes, std::chrono::milliseconds pause);
    // Answers wait from now on until release().
    void hold();
    void release();

    std::vector<std::string> bodies() const;

private:
    struct Answer {
        int status;
        std::string body;
        // For an endless answer: the bytes of each write (0: an answer of `body`) and the pause after it.
        std::size_t streamBytes = 0;
        std::chrono::milliseconds pause {};
    };
    void stream(httplib::Response& response, const Answer& answer);

    std::unique_ptr<httplib::SSLServer> server_;
    std::thread thread_;
    int port_ = 0;
    std::string authorityFile_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool holding_ = false;
    bool stopping_ = false;
    std::deque<Answer> answers_;
    std::vector<std::string> bodies_;
};

} // namespace vantry::test
