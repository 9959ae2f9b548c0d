#include "HttpListener.h"

#include "ClientConnection.h"
#include "HttpRoutes.h"
#include "Log.h"
#include "TlsServerContext.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace server {

namespace {
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMostBytesDrained = 16 * 1024 * 1024;
// How often the poller looks for parked connections that waited too long.
constexpr int kSweepMilliseconds = 100;

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

// Tags of the epoll set: the stop event, the listening sockets (1 + their index), the connections
// (their ids, never reused, so an event for a connection closed meanwhile names none).
constexpr std::uint64_t kStopTag = 0;
constexpr std::uint64_t kFirstConnectionId = std::uint64_t(1) << 32;

void watch(int epoll, int socket, std::uint32_t events, std::uint64_t tag)
{
    epoll_event event {};
    event.events = events;
    event.data.u64 = tag;
    ::epoll_ctl(epoll, EPOLL_CTL_ADD, socket, &event);
}
} // namespace

HttpListener::HttpListener(
    HttpRoutes* plain, HttpRoutes* tls, const TlsServerContext* tlsContext, HttpLimits limits)
    : plain_(plain)
    , tls_(tlsContext ? tls : nullptr)
    , tlsContext_(tlsContext)
    , limits_(limits)
    , stopEvent_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    , epoll_(::epoll_create1(EPOLL_CLOEXEC))
    , nextConnectionId_(kFirstConnectionId)
{
    const auto idleSeconds = std::chrono::ceil<std::chrono::seconds>(limits_.idle).count();
    for (HttpRoutes* routes : { plain_, tls_ }) {
        if (routes) {
            routes->set_keep_alive_timeout(idleSeconds);
            routes->set_keep_alive_max_count(static_cast<std::size_t>(limits_.requestsPerConnection));
        }
    }
    // Level-triggered: once stopped, every worker's wait returns.
    watch(epoll_, stopEvent_, EPOLLIN, kStopTag);
}

HttpListener::~HttpListener()
{
    stop();
    for (const int socket : listening_)
        ::close(socket);
    ::close(epoll_);
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
        base::log("cannot listen on " + host + " port " + service + ": " + ::gai_strerror(failure));
        return -1;
    }
    // Every address of the host ("localhost" may be ::1 and 127.0.0.1), all on the port the first got.
    // Non-blocking: more than one worker may wake for one new connection, and only one gets it.
    int error = 0;
    for (addrinfo* address = addresses; address; address = address->ai_next) {
        if (!listening_.empty()) {
            const auto bound = htons(static_cast<std::uint16_t>(boundPort(listening_.front())));
            if (address->ai_family == AF_INET6)
                reinterpret_cast<sockaddr_in6*>(address->ai_addr)->sin6_port = bound;
            else
                reinterpret_cast<sockaddr_in*>(address->ai_addr)->sin_port = bound;
        }
        const int candidate = ::socket(
            address->ai_family, address->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address->ai_protocol);
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
        base::log("cannot listen on " + host + " port " + service + ": " + std::strerror(error));
        return -1;
    }
    return boundPort(listening_.front());
}

void HttpListener::start()
{
    if (started_ || listening_.empty())
        return;
    started_ = true;
    // One worker wakes for a new connection, not all.
    for (std::size_t i = 0; i < listening_.size(); ++i)
        watch(epoll_, listening_[i], EPOLLIN | EPOLLEXCLUSIVE, 1 + i);
    for (int i = 0; i < limits_.workers; ++i)
        workers_.emplace_back([this] { work(); });
}

void HttpListener::stop()
{
    if (stopping_.exchange(true) || !started_)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopEvent_, &one, sizeof one);
    for (std::thread& worker : workers_)
        worker.join();
    for (const auto& [id, connection] : parked_)
        close(connection);
    parked_.clear();
}

void HttpListener::closeConnectionAfterAnswer()
{
    closeAfterAnswer = true;
}

void HttpListener::work()
{
    // TLS writes to a socket the peer closed raise SIGPIPE; blocked here, they fail with EPIPE instead,
    // without changing how the rest of the program handles the signal.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    for (;;) {
        epoll_event event {};
        const int count = ::epoll_wait(epoll_, &event, 1, kSweepMilliseconds);
        if (stopping_ || (count < 0 && errno != EINTR))
            return;
        closeExpiredConnectionsWhenDue();
        if (count != 1)
            continue;
        const std::uint64_t tag = event.data.u64;
        if (tag == kStopTag)
            return;
        if (tag <= listening_.size()) {
            accept(listening_[tag - 1]);
            continue;
        }
        ClientConnection* connection = nullptr;
        {
            const std::lock_guard lock(mutex_);
            const auto parked = parked_.find(tag);
            if (parked == parked_.end())
                continue; // closed meanwhile for waiting too long
            connection = parked->second;
            parked_.erase(parked);
        }
        if (serve(*connection))
            park(connection, Clock::now() + limits_.idle);
        else
            close(connection);
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
    if (openConnections_ >= limits_.connections) {
        ::close(socket);
        return;
    }
    ++openConnections_;
    const int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // No worker waits for the first byte.
    park(new ClientConnection(socket, stopEvent_, nextConnectionId_++), Clock::now() + limits_.exchange);
}

void HttpListener::closeExpiredConnectionsWhenDue()
{
    // One worker at a time, every kSweepMilliseconds.
    const Clock::rep now = Clock::now().time_since_epoch().count();
    Clock::rep due = nextSweep_.load();
    const Clock::rep interval
        = std::chrono::duration_cast<Clock::duration>(std::chrono::milliseconds(kSweepMilliseconds)).count();
    if (now < due || !nextSweep_.compare_exchange_strong(due, now + interval))
        return;
    std::vector<ClientConnection*> expired;
    {
        const std::lock_guard lock(mutex_);
        for (auto parked = parked_.begin(); parked != parked_.end();) {
            if (parked->second->parkedUntil.time_since_epoch().count() <= now) {
                expired.push_back(parked->second);
                parked = parked_.erase(parked);
            } else {
                ++parked;
            }
        }
    }
    for (ClientConnection* connection : expired)
        close(connection);
}

void HttpListener::park(ClientConnection* connection, Clock::time_point until)
{
    epoll_event event {};
    event.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
    event.data.u64 = connection->id();
    // Armed under the lock: from then on a worker may take the connection, but only after this.
    const std::lock_guard lock(mutex_);
    connection->parkedUntil = until;
    parked_.emplace(connection->id(), connection);
    ::epoll_ctl(epoll_, connection->registered ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, connection->socket(), &event);
    connection->registered = true;
}

void HttpListener::close(ClientConnection* connection)
{
    if (connection->registered)
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, connection->socket(), nullptr);
    delete connection;
    --openConnections_;
}

bool HttpListener::serve(ClientConnection& connection)
{
    HttpStream& stream = connection.stream();
    stream.setDeadline(Clock::now() + limits_.exchange);
    if (!connection.routes()
        && !connection.open(plain_, tls_, tlsContext_ ? tlsContext_->context() : nullptr))
        return false;
    for (;;) {
        closeAfterAnswer = false;
        bool peerClosing = false;
        const bool lastRequest = ++connection.requestsServed >= limits_.requestsPerConnection || stopping_;
        const bool answered = connection.routes()->answerOneRequest(stream, lastRequest, peerClosing);
        if (closeAfterAnswer && answered) {
            stream.setDeadline(Clock::now() + limits_.exchange);
            stream.drain(kMostBytesDrained);
        }
        if (!answered || peerClosing || lastRequest || closeAfterAnswer || stream.broken())
            return false;
        if (!stream.hasBufferedInput())
            return true;
        stream.setDeadline(Clock::now() + limits_.exchange);
    }
}

} // namespace server
