#include "HttpListener.h"

#include "HttpRoutes.h"
#include "HttpStream.h"
#include "ServerLog.h"
#include "TlsServerContext.h"

#include <openssl/ssl.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace server {

namespace {
constexpr int kTlsHandshakeRecord = 0x16;
constexpr std::size_t kMostBytesDrained = 16 * 1024 * 1024;

thread_local bool closeAfterAnswer = false;

int boundPort(int socket)
{
    sockaddr_storage address {};
    socklen_t length = sizeof address;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    return ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                                               : reinterpret_cast<sockaddr_in&>(address).sin_port);
}
} // namespace

HttpListener::HttpListener(
    HttpRoutes* plain, HttpRoutes* tls, const TlsServerContext* tlsContext, HttpLimits limits)
    : plain_(plain)
    , tls_(tlsContext ? tls : nullptr)
    , tlsContext_(tlsContext)
    , limits_(limits)
    , stopEvent_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    const auto idleSeconds = std::chrono::ceil<std::chrono::seconds>(limits_.idle).count();
    for (HttpRoutes* routes : { plain_, tls_ }) {
        if (routes) {
            routes->set_keep_alive_timeout(idleSeconds);
            routes->set_keep_alive_max_count(static_cast<std::size_t>(limits_.requestsPerConnection));
        }
    }
}

HttpListener::~HttpListener()
{
    stop();
    for (const int socket : listening_)
        ::close(socket);
    if (stopEvent_ >= 0)
        ::close(stopEvent_);
}

int HttpListener::bind(const std::string& host, int port)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* addresses = nullptr;
    const std::string service = std::to_string(port);
    if (const int failure = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &addresses); failure != 0) {
        log("cannot listen on " + host + " port " + service + ": " + ::gai_strerror(failure));
        return -1;
    }
    // Every address of the host ("localhost" is ::1 and 127.0.0.1), all on the port the first one got.
    int error = 0;
    for (addrinfo* address = addresses; address; address = address->ai_next) {
        if (!listening_.empty()) {
            const auto bound = htons(static_cast<std::uint16_t>(boundPort(listening_.front())));
            if (address->ai_family == AF_INET6)
                reinterpret_cast<sockaddr_in6*>(address->ai_addr)->sin6_port = bound;
            else
                reinterpret_cast<sockaddr_in*>(address->ai_addr)->sin_port = bound;
        }
        const int candidate
            = ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        const int on = 1;
        if (candidate >= 0 && ::setsockopt(candidate, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0
            && ::bind(candidate, address->ai_addr, address->ai_addrlen) == 0
            && ::listen(candidate, SOMAXCONN) == 0) {
            listening_.push_back(candidate);
        } else {
            error = errno;
            if (candidate >= 0)
                ::close(candidate);
        }
    }
    ::freeaddrinfo(addresses);
    if (listening_.empty()) {
        log("cannot listen on " + host + " port " + service + ": " + std::strerror(error));
        return -1;
    }
    return boundPort(listening_.front());
}

void HttpListener::start()
{
    if (started_ || listening_.empty())
        return;
    started_ = true;
    acceptor_ = std::thread([this] { acceptConnections(); });
    for (int i = 0; i < limits_.workers; ++i)
        workers_.emplace_back([this] { serveConnections(); });
}

void HttpListener::stop()
{
    {
        // Under the lock, so that no worker misses the news between its check and its wait.
        const std::lock_guard lock(mutex_);
        if (stopping_.exchange(true) || !started_)
            return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopEvent_, &one, sizeof one);
    waiting_.notify_all();
    acceptor_.join();
    for (std::thread& worker : workers_)
        worker.join();
    for (const int socket : waitingSockets_)
        ::close(socket);
    waitingSockets_.clear();
}

void HttpListener::closeConnectionAfterAnswer()
{
    closeAfterAnswer = true;
}

void HttpListener::acceptConnections()
{
    std::vector<pollfd> waits { { stopEvent_, POLLIN, 0 } };
    for (const int socket : listening_)
        waits.push_back({ socket, POLLIN, 0 });
    for (;;) {
        if (::poll(waits.data(), waits.size(), -1) < 0 && errno != EINTR)
            return;
        if (waits[0].revents != 0)
            return;
        for (std::size_t i = 1; i < waits.size(); ++i) {
            if (waits[i].revents != 0)
                accept(waits[i].fd);
        }
    }
}

void HttpListener::accept(int listening)
{
    const int socket = ::accept4(listening, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (socket < 0) {
        // Out of descriptors: wait a moment (or for the stop) rather than spin on the ready socket.
        if (errno == EMFILE || errno == ENFILE) {
            pollfd stop { stopEvent_, POLLIN, 0 };
            ::poll(&stop, 1, 10);
        }
        return;
    }
    const std::lock_guard lock(mutex_);
    if (waitingSockets_.size() >= limits_.waitingConnections) {
        ::close(socket);
        return;
    }
    waitingSockets_.push_back(socket);
    waiting_.notify_one();
}

void HttpListener::serveConnections()
{
    // TLS writes to a socket the peer closed raise SIGPIPE; blocked here, they fail with EPIPE instead,
    // without changing how the rest of the program handles the signal.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    for (;;) {
        int socket = -1;
        {
            std::unique_lock lock(mutex_);
            waiting_.wait(lock, [this] { return stopping_ || !waitingSockets_.empty(); });
            if (stopping_)
                return;
            socket = waitingSockets_.front();
            waitingSockets_.pop_front();
        }
        serve(socket);
        ::close(socket);
    }
}

void HttpListener::serve(int socket)
{
    const int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    HttpStream stream(socket, stopEvent_);
    stream.setDeadline(HttpStream::Clock::now() + limits_.exchange);

    const int firstByte = stream.peekFirstByte();
    const bool tlsHello = firstByte == kTlsHandshakeRecord;
    HttpRoutes* routes = tlsHello ? tls_ : plain_;
    if (firstByte < 0 || !routes)
        return;
    const std::unique_ptr<SSL, decltype(&SSL_free)> tls(
        tlsHello ? SSL_new(tlsContext_->context()) : nullptr, &SSL_free);
    if (tlsHello && (!tls || SSL_set_fd(tls.get(), socket) != 1 || !stream.startTls(tls.get())))
        return;

    for (int served = 1;; ++served) {
        closeAfterAnswer = false;
        bool peerClosing = false;
        const bool lastRequest = served >= limits_.requestsPerConnection || stopping_;
        const bool answered = routes->answerOneRequest(stream, lastRequest, peerClosing);
        if (closeAfterAnswer && answered) {
            stream.setDeadline(HttpStream::Clock::now() + limits_.exchange);
            stream.drain(kMostBytesDrained);
        }
        if (!answered || peerClosing || lastRequest || closeAfterAnswer || stream.broken())
            break;
        if (!stream.waitForRequest(HttpStream::Clock::now() + limits_.idle))
            break;
        stream.setDeadline(HttpStream::Clock::now() + limits_.exchange);
    }
    // A polite close where the session is sound; no waiting for the peer's answer.
    if (tls && !stream.broken())
        SSL_shutdown(tls.get());
}

} // namespace server
