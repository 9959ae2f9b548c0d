#include "GameServer.h"

#include <cstdlib>

namespace game {

namespace {
std::string& overriddenHost()
{
    static std::string host;
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

std::string GameServer::playURL()
{
    return "https://" + host() + "/api/play";
}

std::string GameServer::markerImageLocation(std::string_view imageName)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "http://" + host() + "/img/";
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

} // namespace game
