#pragma once

#include "HttpStream.h"

#include <chrono>
#include <cstdint>

namespace server {

class HttpRoutes;

// One accepted connection, from its acceptance to its close: the socket, the TLS session once the
// handshake is done, the stream with its read buffer, and what the listener needs between requests.
// A parked connection belongs to the listener, a served one to one worker: one thread at a time.
class ClientConnection {
public:
    // `id` names the connection in the listener's epoll set.
    ClientConnection(int socket, int stopEvent, std::uint64_t id)
        : socket_(socket)
        , id_(id)
        , stream_(socket, stopEvent)
    { }
    // Closes the TLS session politely where the stream is sound (without waiting for the peer's
    // answer), then the socket.
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    int socket() const { return socket_; }
    std::uint64_t id() const { return id_; }
    HttpStream& stream() { return stream_; }

    // Decides the kind of the connection from its first byte (which must have arrived): a TLS
    // handshake record (0x16) makes it a TLS connection of `tlsRoutes`, run through the handshake;
    // any other byte a plain one of `plainRoutes`. False when the byte did not come, the kind has no
    // routes or the handshake failed.
    bool open(HttpRoutes* plainRoutes, HttpRoutes* tlsRoutes, SSL_CTX* tlsContext);
    // Null until `open` succeeded.
    HttpRoutes* routes() const { return routes_; }

    int requestsServed = 0;
    bool registered = false; // with the listener's epoll set
    std::chrono::steady_clock::time_point parkedUntil; // closed when still parked then

private:
    const int socket_;
    const std::uint64_t id_;
    SSL* tls_ = nullptr;
    HttpStream stream_;
    HttpRoutes* routes_ = nullptr;
};

} // namespace server
