#include "RawHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace vantry::test {

namespace {

// Reads until the blank line that ends a request head (or the peer goes).
void readRequestHead(int connection)
{
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
        const ssize_t read = ::recv(connection, buffer, sizeof buffer, 0);
        if (read <= 0)
            return;
        head.append(buffer, static_cast<std::size_t>(read));
    }
}

} // namespace

RawHttpServer::RawHttpServer(std::string answer)
    : answer_(std::move(answer))
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(listener_, 128) != 0
        || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the raw server could not listen on the loopback interface");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

RawHttpServer::~RawHttpServer()
{
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

void RawHttpServer::serve()
{
    while (!stopping_) {
        pollfd waiting { listener_, POLLIN, 0 };
        if (::poll(&waiting, 1, 20) <= 0)
            continue;
        const int connection = ::accept(listener_, nullptr, nullptr);
        if (connection < 0)
            continue;
        ++accepted_;
        if (!answer_.empty()) {
            readRequestHead(connection);
            ::send(connection, answer_.data(), answer_.size(), MSG_NOSIGNAL);
        }
        ::close(connection);
    }
}

} // namespace vantry::test
