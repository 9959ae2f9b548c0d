#pragma once

#include <httplib.h>

#include <array>
#include <chrono>
#include <cstddef>

namespace server {

// One HTTP connection as httplib reads and writes it: a non-blocking socket, plain or through an
// established TLS session, with a deadline. Every wait ends at the deadline, and every wait to read
// also when the stop event (an eventfd) fires; after a time-out, a stop or an error the stream is
// broken and stays so (its connection must close: a request may have been read only in part).
// Reads go through a buffer, since httplib reads request lines byte by byte.
//
// Borrows the socket, the TLS session and the stop event. One thread at a time.
class HttpStream final : public httplib::Stream {
public:
    using Clock = std::chrono::steady_clock;

    HttpStream(int socket, int stopEvent)
        : socket_(socket)
        , stopEvent_(stopEvent)
    { }

    void setDeadline(Clock::time_point deadline) { deadline_ = deadline; }
    bool broken() const { return broken_; }

    // The first byte the peer sent, left unread; −1 when none came before the deadline or the stop.
    int peekFirstByte();
    // Runs the server side of the TLS handshake on `tls` (set up for this socket) before the
    // deadline; from then on the stream reads and writes through it. False when it failed.
    bool startTls(SSL* tls);

    // Whether bytes the peer sent wait in the stream's buffers (a pipelined request).
    bool hasBufferedInput() const;
    // Reads and drops what the peer still sends, up to `limit` bytes, until it stops (its end of the
    // stream) or the deadline. Before closing after an answer to a request whose body was left unread:
    // a client reads the answer only once it has sent its whole request.
    void drain(std::size_t limit);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* destination, std::size_t size) override;
    ssize_t write(const char* source, std::size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return socket_; }

private:
    enum class Wait { Ready, TimedOut, Stopped };
    Wait waitFor(short events, bool stoppable, Clock::time_point until) const;
    // Fills the buffer: the number of bytes read, 0 at the end of the stream, −1 on failure.
    ssize_t fill(bool stoppable, Clock::time_point until);

    int socket_;
    SSL* tls_ = nullptr;
    int stopEvent_;
    Clock::time_point deadline_ = Clock::time_point::max();
    bool broken_ = false;
    std::array<char, 16 * 1024> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

} // namespace server
