#include "GameServer.h"

#include "PlayRequest.h"

#include <cstdlib>

namespace protocol {

namespace {
std::string& overriddenHost()
{
    static std::string host;
    return host;
}

int& playPort()
{
    static int port = 0;
    return port;
}

int& imagePort()
{
    static int port = 0;
    return port;
}

// The host, with the port when it is not the scheme's default.
std::string authority(int port, int defaultPort)
{
    std::string host = GameServer::host();
    if (port != 0 && port != defaultPort)
        host += ':' + std::to_string(port);
    return host;
}

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}
} // namespace

std::string GameServer::host()
{
    if (!overriddenHost().empty())
        return overriddenHost();
    if (const char* fromEnvironment = std::getenv(kGameServerEnvironmentVariable);
        fromEnvironment && *fromEnvironment)
        return fromEnvironment;
    return std::string(kDefaultGameServerHost);
}

void GameServer::setHost(std::string host)
{
    overriddenHost() = std::move(host);
}

void GameServer::setPlayPort(int port)
{
    playPort() = port;
}

void GameServer::setImagePort(int port)
{
    imagePort() = port;
}

std::string GameServer::playURL()
{
    return "https://" + authority(playPort(), 443) + std::string(kPlayPath);
}

std::string GameServer::markerImageLocation(std::string_view imageName)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "http://" + authority(imagePort(), 80) + std::string(kPicturePath);
    for (const char byte : imageName) {
        const auto c = static_cast<unsigned char>(byte);
        if (isUnreserved(c)) {
            url += byte;
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0xF];
        }
    }
    url += ".png";
    return url;
}

} // namespace protocol
