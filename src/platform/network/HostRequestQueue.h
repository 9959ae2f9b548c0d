#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

class QObject;

namespace platform {

// Keeps the requests that run at once to one host within a limit, so a
// program never holds more than that many connections to a server; the
// other requests wait their turn, first come first served. A host that
// carries many requests on one connection (HTTP/2) runs up to
// kMultiplexedRequests at once. A place that frees goes to the next
// waiting request on the next turn of the event loop, so a burst of
// requests withdrawn one after another (tiles scrolled off screen) never
// sends the ones about to be withdrawn. Main thread only.
class HostRequestQueue {
public:
    using Send = std::function<void()>;
    using Ticket = std::uint64_t;

    // HTTP/2 streams one connection carries at once; the server's own
    // limit is far higher.
    static constexpr int kMultiplexedRequests = 32;

    explicit HostRequestQueue(int limitPerHost);
    ~HostRequestQueue();
    HostRequestQueue(const HostRequestQueue&) = delete;
    HostRequestQueue& operator=(const HostRequestQueue&) = delete;

    // Calls `send` at once when the host has a free place and no request
    // waits, otherwise when its turn comes. The ticket ends the request
    // with finished().
    Ticket enqueue(const std::string& host, Send send);
    // The request ended, or was withdrawn before it was sent: its place (if
    // it had one) goes to the host's next waiting request, sent from the
    // event loop. Unknown tickets are ignored.
    void finished(Ticket ticket);
    // The host answered over a connection that carries many requests.
    void setMultiplexing(const std::string& host);

    // At least 1.
    void setLimitPerHost(int limit);
    int limitPerHost() const { return limit_; }
    int runningCount(const std::string& host) const;
    std::size_t waitingCount(const std::string& host) const;

private:
    struct Host {
        int running = 0;
        bool multiplexing = false;
        std::deque<std::pair<Ticket, Send>> waiting;
    };
    int limitOf(const Host& host) const;
    void sendWaiting(const std::string& name);
    void sendWaitingLater(const std::string& name);

    int limit_;
    Ticket lastTicket_ = 0;
    std::map<std::string, Host, std::less<>> hosts_;
    // Tickets of running requests, with their host.
    std::map<Ticket, std::string> running_;
    // The context of the calls posted to the event loop: they die with it.
    std::unique_ptr<QObject> context_;
};

} // namespace platform
