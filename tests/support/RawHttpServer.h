#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

namespace vantry::test {

// A hostile server on the loopback interface, on a port the system picks:
// it answers every connection with the same raw bytes and closes it. With
// no bytes it closes each connection as soon as it accepted it, without
// reading the request; otherwise it reads the request head first, so an
// answer such as "HTTP/1.1 200 OK\r\n\r\n<half a picture>" is a body
// delimited by the connection's close. Answers from a thread of its own.
class RawHttpServer {
public:
    explicit RawHttpServer(std::string answer = {});
    // Stops accepting and closes the listening socket.
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    int port() const { return port_; }
    // "127.0.0.1:<port>"
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::size_t acceptedCount() const { return accepted_; }

private:
    void serve();

    std::string answer_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_ { false };
    std::atomic<std::size_t> accepted_ { 0 };
    std::thread thread_;
};

} // namespace vantry::test
