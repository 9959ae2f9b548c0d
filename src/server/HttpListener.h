#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace server {

class ClientConnection;
class HttpRoutes;
class TlsServerContext;

// How long and how much connections may take.
struct HttpLimits {
    // A kept-alive connection waits this long for its next request, then closes.
    std::chrono::milliseconds idle { 5000 };
    // A new connection must send its first byte within this time; from its first byte (the TLS
    // handshake included), and from the first byte of each later request, the request must arrive
    // and its answer be written within it too. A slow client cannot hold a worker longer.
    std::chrono::milliseconds exchange { 10000 };
    // Threads that serve requests; a connection holds one only while a request (or its TLS
    // handshake) is under way.
    int workers = 32;
    // Connections open at once; beyond this, new ones are closed at once.
    std::size_t connections = 10000;
    // Requests on one connection; the last is answered with "Connection: close".
    int requestsPerConnection = 10000;
};

// Listening TCP sockets served by a pool of workers that serve HTTP/1.1 connections (keep-alive)
// through HttpRoutes. Every connection that waits for its next bytes is parked in one epoll set that
// all workers wait on: the worker woken for a listening socket accepts (and parks the new connection
// until its first byte), the one woken for a connection serves its requests until none waits and
// parks it again, and parked connections that wait too long are closed. So any number of kept-alive
// clients share the workers, and a request wakes one thread. A connection whose first byte opens a TLS
// handshake (0x16) is served over TLS by the TLS routes, any other by the plain routes; a connection
// of a kind without routes is closed unanswered. Every wait is bounded (HttpLimits), and `stop`
// ends every connection's waits at once.
class HttpListener {
public:
    // `plain`, `tls` and `tlsContext` are borrowed and must outlive the listener; `tls` needs
    // `tlsContext`. Either kind of routes may be null.
    HttpListener(HttpRoutes* plain, HttpRoutes* tls, const TlsServerContext* tlsContext, HttpLimits limits);
    ~HttpListener();
    HttpListener(const HttpListener&) = delete;
    HttpListener& operator=(const HttpListener&) = delete;

    // Binds every address of `host` (an IPv4 or IPv6 address, or a name such as "localhost") at
    // `port` (0: a free port the system chooses, the same for all) and listens. The port bound, or
    // −1 (logged) when no address could be bound. Call once, before `start`.
    int bind(const std::string& host, int port);
    // Starts the workers.
    void start();
    // Stops accepting, ends the waits of every open connection (an answer being written is finished
    // first), closes them and joins the threads. Idempotent; the destructor stops too.
    void stop();

    // Called by a route handler: the connection closes after this answer (when the rest of the
    // request was left unread).
    static void closeConnectionAfterAnswer();

private:
    void work();
    void accept(int listening);
    void closeExpiredConnectionsWhenDue();
    // Serves the connection's requests while they come; false when it must close.
    bool serve(ClientConnection& connection);
    // Waits for the connection's next bytes in the epoll set, until `until`.
    void park(ClientConnection* connection, std::chrono::steady_clock::time_point until);
    void close(ClientConnection* connection);

    HttpRoutes* plain_;
    HttpRoutes* tls_;
    const TlsServerContext* tlsContext_;
    const HttpLimits limits_;
    std::vector<int> listening_;
    int stopEvent_ = -1;
    int epoll_ = -1;
    std::atomic<bool> stopping_ = false;
    std::atomic<std::size_t> openConnections_ = 0;
    std::atomic<std::chrono::steady_clock::rep> nextSweep_ = 0;
    std::atomic<std::uint64_t> nextConnectionId_;
    bool started_ = false;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::unordered_map<std::uint64_t, ClientConnection*> parked_; // owned, by id: waiting for bytes
};

} // namespace server
