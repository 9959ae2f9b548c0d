#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace vantry::test {

// A raw TCP connection to a loopback port, for sending what no HTTP client would.
class RawConnection {
public:
    // Connects from `from` (any address of 127.0.0.0/8) to `port` on 127.0.0.1.
    explicit RawConnection(int port, const char* from = "127.0.0.1");
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return connected_; }
    // False when the server no longer takes bytes (it closed).
    bool send(std::string_view bytes);

    // Reads until the server closes the connection (true) or `patience` passes without a byte or the
    // close (false). What arrived is added to `received`.
    bool closedByServer(std::chrono::milliseconds patience, std::string* received = nullptr);
    // Reads what arrives within `patience` of the last byte, without waiting for a close.
    std::string receive(std::chrono::milliseconds patience);

private:
    int socket_;
    bool connected_ = false;
};

} // namespace vantry::test
