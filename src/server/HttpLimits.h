#pragma once

#include <chrono>
#include <cstddef>

namespace server {

// Every resource a client can make the server spend, with its limit. Hitting one is an answer in
// the 4xx range or a close, never a thread held or memory spent beyond it.
struct HttpLimits {
    // A kept-alive connection waits this long for the first byte of its next request, then closes.
    std::chrono::milliseconds idle { 5000 };
    // A new connection must send its first byte within this time; from its first byte (the TLS
    // handshake included), and from the first byte of each later request, the request must arrive
    // and its answer be written within it too.
    std::chrono::milliseconds exchange { 10000 };
    // After an answer that ends a connection whose request was not read whole, what the client still
    // sends is read and dropped for at most this long, so that it reads the answer.
    std::chrono::milliseconds linger { 1000 };
    // The request line and header fields, together.
    std::size_t headerBytes = 16 * 1024;
    // Connections open at once, in all, and from one address; beyond these, new ones are closed at
    // once (logged once a minute per address).
    std::size_t connections = 10000;
    std::size_t connectionsPerAddress = 64;
    // Requests on one connection; the last is answered with "Connection: close".
    int requestsPerConnection = 10000;
    // Threads that run every connection's reads, writes and handlers (which never wait); a connection
    // holds none while it waits for its client or for its answer.
    int threads = 2;
};

} // namespace server
