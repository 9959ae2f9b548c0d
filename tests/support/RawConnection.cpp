#include "RawConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace vantry::test {

RawConnection::RawConnection(int port, const char* from)
    : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    sockaddr_in local {};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, from, &local.sin_addr);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0
        && ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

RawConnection::~RawConnection()
{
    ::close(socket_);
}

bool RawConnection::send(std::string_view bytes)
{
    return ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) > 0;
}

bool RawConnection::closedByServer(std::chrono::milliseconds patience, std::string* received)
{
    for (;;) {
        pollfd wait { socket_, POLLIN, 0 };
        if (::poll(&wait, 1, static_cast<int>(patience.count())) <= 0)
            return false;
        char buffer[4096];
        const ssize_t count = ::recv(socket_, buffer, sizeof buffer, 0);
        if (count <= 0)
            return true;
        if (received)
            received->append(buffer, static_cast<std::size_t>(count));
    }
}

std::string RawConnection::receive(std::chrono::milliseconds patience)
{
    std::string received;
    closedByServer(patience, &received);
    return received;
}

} // namespace vantry::test
