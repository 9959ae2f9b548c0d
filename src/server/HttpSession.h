#pragma once

#include "HttpRequestParser.h"
#include "HttpRoutes.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/stream.hpp>
#include <boost/beast/core/basic_stream.hpp>
#include <boost/beast/core/flat_buffer.hpp>

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace server {

class HttpServer;

// One accepted connection, from its first byte to its close, served by its own chain of asynchronous
// steps on one of the server's threads (never two at once): the kind of connection (TLS or plain, from
// its first bytes), the TLS handshake, then request after request: the head (within the header limit),
// the body (within its route's limit), the answer. Each step has a deadline: the first byte of a
// request `idle` (the first request: `exchange` from the accept), the rest of the request and its
// answer `exchange` from that first byte. A request the server cannot frame (a Content-Length it cannot
// trust, a transfer coding other than chunked, a head too large) gets its 4xx and the connection
// closes: the server never guesses where a next request would start. Held by its pending steps and by
// an answer it awaits; the server lists it.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    using Executor = boost::asio::io_context::executor_type;
    using Socket = boost::asio::basic_stream_socket<boost::asio::ip::tcp, Executor>;

    HttpSession(HttpServer& server, Socket socket, std::string address);
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    void start();
    // Ends the session's waits (from any thread): a read under way ends now, an answer being written
    // or awaited is finished first.
    void stop();

private:
    using Stream = boost::beast::basic_stream<boost::asio::ip::tcp, Executor>;

    void detected(bool tls);
    void waitForRequest();
    void readHead();
    void headRead();
    void bodyRead();
    // Answers the request; `close` ends the connection after the answer, `unread` says that the
    // client may still be sending (then what it sends is dropped for `linger` first).
    void answer(const HttpAnswer& answer, bool close, bool unread = false);
    void answered(bool close, bool unread);
    // Reads and drops what the client still sends, for `linger` at most, then closes.
    void linger();
    void drop(
        std::shared_ptr<std::array<char, 16 * 1024>> dropped, std::chrono::steady_clock::time_point until);
    void close();
    // A failed read: a framing error gets its 4xx, anything else (the peer left, a deadline, a stop)
    // closes.
    void readFailed(const boost::beast::error_code& error);
    Stream& lowest();
    // Calls `step` with the stream the connection speaks through (TLS or plain).
    template<typename Step> void withStream(Step&& step);

    HttpServer& server_;
    const std::string address_;
    const Executor executor_;
    Stream tcp_;
    std::optional<boost::asio::ssl::stream<Stream>> tls_;
    const HttpRoutes* routes_ = nullptr;
    boost::beast::flat_buffer buffer_;
    // The request being read; its body and the answer's bytes keep their room from one request to
    // the next.
    std::optional<HttpRequestParser> request_;
    std::string body_;
    std::optional<HttpRoutes::Route> route_;
    std::string written_;
    // While a handler's answer is awaited.
    std::shared_ptr<HttpSession> awaited_;
    std::optional<boost::asio::executor_work_guard<Executor>> answerDue_;
    int requests_ = 0;
    bool writing_ = false;
    bool stopping_ = false;
};

} // namespace server
