#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace server {

class HttpRoutes;
class TlsServerContext;

// How long and how much one connection may take.
struct HttpLimits {
    // A kept-alive connection waits this long for its next request, then closes.
    std::chrono::milliseconds idle { 5000 };
    // From a connection's first byte (its TLS handshake included), and from the first byte of each
    // later request, until the answer is written. A slow client cannot hold a worker longer.
    std::chrono::milliseconds exchange { 10000 };
    // Connections served at once; each holds one worker thread while open.
    int workers = 64;
    // Accepted connections waiting for a worker; beyond this, new ones are closed at once.
    std::size_t waitingConnections = 1024;
    // Requests on one connection; the last is answered with "Connection: close".
    int requestsPerConnection = 10000;
};

// A listening TCP socket with its own accept thread and a pool of workers that serve HTTP/1.1
// connections (keep-alive) through HttpRoutes. A connection whose first byte opens a TLS handshake
// (0x16) is served over TLS by the TLS routes, any other by the plain routes; a connection of a kind
// without routes is closed unanswered. Every wait of a connection is bounded (HttpLimits), and
// `stop` ends every connection's waits at once.
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
    // Starts the accept thread and the workers.
    void start();
    // Stops accepting, ends the waits of every open connection (an answer being written is finished
    // first), closes them and joins the threads. Idempotent; the destructor stops too.
    void stop();

    // Called by a route handler: the connection closes after this answer (when the rest of the
    // request was left unread).
    static void closeConnectionAfterAnswer();

private:
    void acceptConnections();
    void accept(int listening);
    void serveConnections();
    void serve(int socket);

    HttpRoutes* plain_;
    HttpRoutes* tls_;
    const TlsServerContext* tlsContext_;
    const HttpLimits limits_;
    std::vector<int> listening_;
    int stopEvent_ = -1;
    std::atomic<bool> stopping_ = false;
    bool started_ = false;
    std::thread acceptor_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable waiting_;
    std::deque<int> waitingSockets_;
};

} // namespace server
