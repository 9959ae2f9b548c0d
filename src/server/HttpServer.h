#pragma once

#include "HttpLimits.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace server {

class HttpRoutes;
class HttpSession;
class TlsServerContext;

// Listening TCP sockets whose connections are served as HTTP/1.1 (keep-alive) through HttpRoutes, on
// Boost.Asio and Boost.Beast: accepts, TLS handshakes, reads and writes are all asynchronous, run by a
// few threads (HttpLimits::threads), so a connection that waits holds no thread. Each thread runs an
// event loop of its own and serves the connections handed to it, in turn, at their accept: a
// connection's steps need no lock. A connection whose
// first bytes open a TLS handshake is served over TLS by the TLS routes, any other by the plain
// routes; a connection of a kind without routes is closed unanswered. Every step has its deadline and
// every resource its limit (HttpLimits); connections beyond the caps are closed at once, and refusals
// are logged once a minute per address.
class HttpServer {
public:
    // `plain`, `tls` and `tlsContext` are borrowed and must outlive the server; `tls` needs
    // `tlsContext`. Either kind of routes may be null.
    HttpServer(const HttpRoutes* plain, const HttpRoutes* tls, const TlsServerContext* tlsContext,
        HttpLimits limits);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds every address of `host` (an IPv4 or IPv6 address, or a name such as "localhost") at
    // `port` (0: a free port the system chooses, the same for all) and listens. The port bound, or
    // −1 (logged) when no address could be bound. Call once, before `start`.
    int bind(const std::string& host, int port);
    // Starts accepting and serving on the server's threads.
    void start();
    // Stops accepting, ends the waits of every open connection (an answer being written is finished
    // first, within its deadline), and joins the threads. Idempotent; the destructor stops too.
    void stop();

    // For the sessions.
    const HttpLimits& limits() const { return limits_; }
    const HttpRoutes* plainRoutes() const { return plain_; }
    const HttpRoutes* tlsRoutes() const { return tls_; }
    boost::asio::ssl::context* tlsContext() { return ssl_ ? &*ssl_ : nullptr; }
    // Runs `work` soon on one of the server's threads; any thread may call.
    void post(std::function<void()> work);
    // The session ended: its place (and its address's) is free again.
    void release(HttpSession* session, const std::string& address);

private:
    void accept(boost::asio::ip::tcp::acceptor& acceptor);
    // Accepts again after a pause (logged once a minute).
    void acceptFailed(boost::asio::ip::tcp::acceptor& acceptor, const boost::system::error_code& error);
    // Counts a new connection from `address` in, unless a cap is reached (logged once a minute per
    // address).
    bool admit(const std::string& address);

    // One thread and its event loop.
    struct Worker {
        boost::asio::io_context io { 1 };
        // Keeps the loop running while the server has nothing for it.
        std::optional<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> keepRunning;
        std::thread thread;
    };
    Worker& nextWorker();

    const HttpRoutes* plain_;
    const HttpRoutes* tls_;
    const HttpLimits limits_;
    // The first also runs the acceptors.
    std::vector<std::unique_ptr<Worker>> workers_;
    std::atomic<std::size_t> next_ = 0;
    std::optional<boost::asio::ssl::context> ssl_;
    std::vector<std::unique_ptr<boost::asio::ip::tcp::acceptor>> acceptors_;
    bool started_ = false;

    std::mutex mutex_;
    bool stopping_ = false;
    std::unordered_map<HttpSession*, std::weak_ptr<HttpSession>> sessions_;
    std::size_t open_ = 0;
    std::unordered_map<std::string, std::size_t> perAddress_;
    std::unordered_map<std::string, std::chrono::steady_clock::time_point> refusalLogged_;
    std::chrono::steady_clock::time_point acceptFailureLogged_ {};
};

} // namespace server
