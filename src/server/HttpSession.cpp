#include "HttpSession.h"

#include "HttpServer.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/detect_ssl.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/status.hpp>

#include <fmt/format.h>

#include <iterator>
#include <limits>

namespace server {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;

namespace {
// A connection's strings keep their room between requests up to this size; larger ones are freed,
// so that idle connections hold little memory.
constexpr std::size_t kKeptRoom = 64 * 1024;

std::string tooLarge(std::size_t limit)
{
    if (limit % (1024 * 1024) == 0)
        return "the body is larger than " + std::to_string(limit / (1024 * 1024)) + " MiB\n";
    return "the body is larger than " + std::to_string(limit) + " bytes\n";
}

void keepRoomSmall(std::string& text)
{
    if (text.capacity() > kKeptRoom)
        std::string().swap(text);
}
} // namespace

template<typename Step> void HttpSession::withStream(Step&& step)
{
    if (tls_)
        step(*tls_);
    else
        step(tcp_);
}

HttpSession::HttpSession(HttpServer& server, Socket socket, std::string address)
    : server_(server)
    , address_(std::move(address))
    , executor_(socket.get_executor())
    , tcp_(std::move(socket))
{ }

HttpSession::~HttpSession()
{
    server_.release(this, address_);
}

HttpSession::Stream& HttpSession::lowest()
{
    return tls_ ? tls_->next_layer() : tcp_;
}

void HttpSession::start()
{
    net::post(executor_, [self = shared_from_this()] {
        self->tcp_.expires_after(self->server_.limits().exchange);
        beast::async_detect_ssl(self->tcp_, self->buffer_, [self](beast::error_code error, bool tls) {
            if (error)
                return self->close();
            self->detected(tls);
        });
    });
}

void HttpSession::stop()
{
    net::post(executor_, [self = shared_from_this()] {
        self->stopping_ = true;
        if (!self->writing_)
            self->close();
    });
}

void HttpSession::detected(bool tls)
{
    if (stopping_)
        return close();
    if (!tls) {
        routes_ = server_.plainRoutes();
        if (!routes_)
            return close();
        return readHead();
    }
    routes_ = server_.tlsRoutes();
    if (!routes_)
        return close();
    tls_.emplace(std::move(tcp_), *server_.tlsContext());
    tls_->async_handshake(net::ssl::stream_base::server, buffer_.data(),
        [self = shared_from_this()](beast::error_code error, std::size_t used) {
            if (error)
                return self->close();
            self->buffer_.consume(used);
            self->readHead();
        });
}

void HttpSession::waitForRequest()
{
    if (stopping_)
        return close();
    if (buffer_.size() > 0) {
        lowest().expires_after(server_.limits().exchange);
        return readHead();
    }
    lowest().expires_after(server_.limits().idle);
    withStream([this](auto& stream) {
        stream.async_read_some(
            buffer_.prepare(4096), [self = shared_from_this()](beast::error_code error, std::size_t count) {
                if (error)
                    return self->close();
                self->buffer_.commit(count);
                self->lowest().expires_after(self->server_.limits().exchange);
                self->readHead();
            });
    });
}

void HttpSession::readHead()
{
    request_.emplace(body_);
    request_->header_limit(static_cast<std::uint32_t>(server_.limits().headerBytes));
    // The route, known from the head, sets the limit of the body; until then any announced length
    // is read as a number only.
    request_->body_limit(std::numeric_limits<std::uint64_t>::max());
    route_.reset();
    withStream([this](auto& stream) {
        http::async_read_header(
            stream, buffer_, *request_, [self = shared_from_this()](beast::error_code error, std::size_t) {
                if (error)
                    return self->readFailed(error);
                self->headRead();
            });
    });
}

void HttpSession::headRead()
{
    ++requests_;
    const HttpRequestParser& head = *request_;
    const bool chunked = head.chunked();
    const bool hasLength = head.content_length().has_value();
    const bool hasBody = chunked || head.content_length().value_or(0) > 0;
    // Chunked is the one transfer coding the server reads; with a length beside it, either could be
    // the one the client meant.
    if (head.transferEncodings() != 0 && (!head.codingIsChunked() || head.transferEncodings() != 1))
        return answer(HttpAnswer::plain(400, "the only transfer coding taken is chunked\n"), true, true);
    if (chunked && head.contentLengths() != 0)
        return answer(HttpAnswer::plain(400, "a body with both a length and chunks\n"), true, true);

    route_ = routes_->find(head.method(), head.target());
    if (!route_)
        return answer(HttpAnswer::plain(404, "not found\n"), hasBody, hasBody);
    if (route_->get) {
        if (hasBody)
            return answer(HttpAnswer::plain(400, "a GET takes no body\n"), true, true);
        return answer((*route_->get)(route_->rest), false);
    }
    if (!chunked && !hasLength)
        return answer(HttpAnswer::plain(411, "a POST needs a Content-Length\n"), true, true);
    if (head.content_length().value_or(0) > route_->bodyLimit)
        return answer(HttpAnswer::plain(400, tooLarge(route_->bodyLimit)), true, true);
    request_->body_limit(route_->bodyLimit);
    withStream([this](auto& stream) {
        http::async_read(
            stream, buffer_, *request_, [self = shared_from_this()](beast::error_code error, std::size_t) {
                if (error)
                    return self->readFailed(error);
                self->bodyRead();
            });
    });
}

void HttpSession::bodyRead()
{
    // The handler never waits: an answer it gives later comes back to this connection's thread. The
    // session keeps itself, and the guard its thread running, until then; the callback holds just a
    // pointer (no allocation).
    awaited_ = shared_from_this();
    answerDue_.emplace(executor_);
    (*route_->post)(body_, [session = this](HttpAnswer answer) {
        net::dispatch(session->executor_, [session, answer = std::move(answer)] {
            const std::shared_ptr<HttpSession> self = std::move(session->awaited_);
            session->answerDue_.reset();
            self->answer(answer, false);
        });
    });
    keepRoomSmall(body_);
}

void HttpSession::readFailed(const beast::error_code& error)
{
    if (error == http::error::header_limit) {
        return answer(HttpAnswer::plain(431,
                          "the request's head is larger than "
                              + std::to_string(server_.limits().headerBytes / 1024) + " KiB\n"),
            true, true);
    }
    if (error == http::error::body_limit && route_)
        return answer(HttpAnswer::plain(400, tooLarge(route_->bodyLimit)), true, true);
    // The peer left, a deadline passed, the server stops: nothing to answer.
    if (error == http::error::end_of_stream || error == http::error::partial_message
        || error.category() != http::make_error_code(http::error::bad_method).category() || stopping_)
        return close();
    answer(HttpAnswer::plain(400, "the request cannot be read: " + error.message() + "\n"), true, true);
}

void HttpSession::answer(const HttpAnswer& answer, bool close, bool unread)
{
    const bool last = close || stopping_ || !request_ || !request_->is_header_done()
        || !request_->keep_alive() || requests_ >= server_.limits().requestsPerConnection;
    // The head and the body in one buffer: one TLS record and one send for most answers.
    written_.clear();
    const beast::string_view reason = http::obsolete_reason(static_cast<http::status>(answer.status));
    fmt::format_to(std::back_inserter(written_),
        "HTTP/1.1 {} {}\r\nServer: vantry-server\r\nContent-Type: {}\r\n", answer.status,
        std::string_view(reason.data(), reason.size()), answer.contentType);
    for (const auto& [name, value] : answer.fields)
        fmt::format_to(std::back_inserter(written_), "{}: {}\r\n", name, value);
    if (last)
        written_ += "Connection: close\r\n";
    fmt::format_to(std::back_inserter(written_), "Content-Length: {}\r\n\r\n", answer.body.size());
    written_ += answer.body;
    writing_ = true;
    withStream([this, last, unread](auto& stream) {
        net::async_write(stream, net::buffer(written_),
            [self = shared_from_this(), last, unread](beast::error_code error, std::size_t) {
                self->writing_ = false;
                keepRoomSmall(self->written_);
                if (error)
                    return self->close();
                self->answered(last || self->stopping_, unread);
            });
    });
}

void HttpSession::answered(bool close, bool unread)
{
    if (!close)
        return waitForRequest();
    if (unread && !stopping_)
        return linger();
    this->close();
}

void HttpSession::linger()
{
    // The stream's deadline ends a wait for bytes; a client that never stops sending is cut off here.
    const auto until = std::chrono::steady_clock::now() + server_.limits().linger;
    lowest().expires_at(until);
    drop(std::make_shared<std::array<char, 16 * 1024>>(), until);
}

void HttpSession::drop(
    std::shared_ptr<std::array<char, 16 * 1024>> dropped, std::chrono::steady_clock::time_point until)
{
    withStream([this, &dropped, until](auto& stream) {
        stream.async_read_some(net::buffer(*dropped),
            [self = shared_from_this(), dropped, until](beast::error_code error, std::size_t) {
                if (error || self->stopping_ || std::chrono::steady_clock::now() >= until)
                    return self->close();
                self->drop(dropped, until);
            });
    });
}

void HttpSession::close()
{
    beast::error_code ignored;
    lowest().socket().shutdown(boost::asio::ip::tcp::socket::shutdown_both, ignored);
    lowest().socket().close(ignored);
}

} // namespace server
