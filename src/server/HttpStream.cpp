#include "HttpStream.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>

namespace server {

namespace {
void addressText(const sockaddr_storage& address, std::string& ip, int& port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}

// What a TLS call that did not succeed waits for: POLLIN or POLLOUT, or 0 when it failed for good.
short tlsWaitFor(SSL* tls, int result)
{
    switch (SSL_get_error(tls, result)) {
    case SSL_ERROR_WANT_READ:
        return POLLIN;
    case SSL_ERROR_WANT_WRITE:
        return POLLOUT;
    default:
        ERR_clear_error();
        return 0;
    }
}
} // namespace

HttpStream::Wait HttpStream::waitFor(short events, bool stoppable, Clock::time_point until) const
{
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= until)
            return Wait::TimedOut;
        const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
        pollfd waits[2] = { { socket_, events, 0 }, { stopEvent_, POLLIN, 0 } };
        const int ready
            = ::poll(waits, stoppable ? 2 : 1, static_cast<int>(std::min<long long>(milliseconds, INT_MAX)));
        if (ready < 0 && errno != EINTR)
            return Wait::Stopped;
        if (stoppable && waits[1].revents != 0)
            return Wait::Stopped;
        // An error or hang-up shows in the next read or write.
        if (ready > 0 && waits[0].revents != 0)
            return Wait::Ready;
    }
}

bool HttpStream::hasBufferedInput() const
{
    return begin_ < end_ || (tls_ && SSL_pending(tls_) > 0);
}

ssize_t HttpStream::fill(bool stoppable, Clock::time_point until)
{
    for (;;) {
        short waitEvents = POLLIN;
        if (tls_) {
            ERR_clear_error();
            std::size_t received = 0;
            const int result = SSL_read_ex(tls_, buffer_.data(), buffer_.size(), &received);
            if (result == 1) {
                begin_ = 0;
                end_ = received;
                return static_cast<ssize_t>(received);
            }
            if (SSL_get_error(tls_, result) == SSL_ERROR_ZERO_RETURN)
                return 0;
            waitEvents = tlsWaitFor(tls_, result);
        } else {
            const ssize_t received = ::recv(socket_, buffer_.data(), buffer_.size(), 0);
            if (received >= 0) {
                begin_ = 0;
                end_ = static_cast<std::size_t>(received);
                return received;
            }
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                waitEvents = 0;
        }
        if (waitEvents == 0 || waitFor(waitEvents, stoppable, until) != Wait::Ready) {
            broken_ = true;
            return -1;
        }
    }
}

int HttpStream::peekFirstByte()
{
    for (;;) {
        unsigned char byte = 0;
        const ssize_t received = ::recv(socket_, &byte, 1, MSG_PEEK);
        if (received == 1)
            return byte;
        if (received < 0 && errno == EINTR)
            continue;
        if (received == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)
            || waitFor(POLLIN, true, deadline_) != Wait::Ready) {
            broken_ = true;
            return -1;
        }
    }
}

bool HttpStream::startTls(SSL* tls)
{
    for (;;) {
        ERR_clear_error();
        const int result = SSL_accept(tls);
        if (result == 1) {
            tls_ = tls;
            return true;
        }
        const short waitEvents = tlsWaitFor(tls, result);
        if (waitEvents == 0 || waitFor(waitEvents, true, deadline_) != Wait::Ready) {
            broken_ = true;
            return false;
        }
    }
}

void HttpStream::drain(std::size_t limit)
{
    std::size_t drained = end_ - begin_;
    begin_ = end_;
    while (drained < limit && !broken_) {
        const ssize_t received = fill(true, deadline_);
        if (received <= 0)
            return;
        drained += static_cast<std::size_t>(received);
        begin_ = end_;
    }
}

bool HttpStream::is_readable() const
{
    return !broken_ && (hasBufferedInput() || waitFor(POLLIN, true, deadline_) == Wait::Ready);
}

bool HttpStream::is_writable() const
{
    return !broken_ && waitFor(POLLOUT, false, deadline_) == Wait::Ready;
}

ssize_t HttpStream::read(char* destination, std::size_t size)
{
    if (broken_)
        return -1;
    if (begin_ == end_) {
        const ssize_t received = fill(true, deadline_);
        if (received <= 0)
            return received;
    }
    const std::size_t count = std::min(size, end_ - begin_);
    std::memcpy(destination, buffer_.data() + begin_, count);
    begin_ += count;
    return static_cast<ssize_t>(count);
}

ssize_t HttpStream::write(const char* source, std::size_t size)
{
    if (broken_)
        return -1;
    if (size == 0)
        return 0;
    for (;;) {
        short waitEvents = POLLOUT;
        if (tls_) {
            ERR_clear_error();
            std::size_t written = 0;
            const int result = SSL_write_ex(tls_, source, size, &written);
            if (result == 1)
                return static_cast<ssize_t>(written);
            waitEvents = tlsWaitFor(tls_, result);
        } else {
            const ssize_t written = ::send(socket_, source, size, MSG_NOSIGNAL);
            if (written >= 0)
                return written;
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                waitEvents = 0;
        }
        // An answer being written is finished even while the server stops.
        if (waitEvents == 0 || waitFor(waitEvents, false, deadline_) != Wait::Ready) {
            broken_ = true;
            return -1;
        }
    }
}

void HttpStream::get_remote_ip_and_port(std::string& ip, int& port) const
{
    sockaddr_storage address {};
    socklen_t length = sizeof address;
    if (::getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        addressText(address, ip, port);
}

void HttpStream::get_local_ip_and_port(std::string& ip, int& port) const
{
    sockaddr_storage address {};
    socklen_t length = sizeof address;
    if (::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        addressText(address, ip, port);
}

} // namespace server
