#pragma once

#include <string>
#include <string_view>

namespace protocol {

// The one place that names the game server. One host serves the play endpoint (HTTPS) and the
// marker images (plain HTTP).
inline constexpr std::string_view kDefaultGameServerHost = "play.vantry.app";
// Environment variable that overrides the default host at run time.
inline constexpr const char* kGameServerEnvironmentVariable = "VANTRY_SERVER";

class GameServer {
public:
    // The host set with setHost, else $VANTRY_SERVER when set and not empty, else the default.
    static std::string host();
    // Overrides the host for the rest of the run (a command-line option calls this); an empty host
    // goes back to the environment or the default.
    static void setHost(std::string host);

    // The ports of the play endpoint (HTTPS, 443 by default) and of the
    // pictures (plain HTTP, 80 by default); 0 goes back to the default.
    static void setPlayPort(int port);
    static void setImagePort(int port);

    // "https://<host>[:<port>]/api/play", the port only when not 443.
    static std::string playURL();
    // "http://<host>[:<port>]/img/<name>.png", the port only when not 80. The name comes from the server:
    // bytes other than letters, digits, '-', '.', '_' and '~' are percent-encoded, so a name cannot leave the
    // image folder or break the URL.
    static std::string markerImageLocation(std::string_view imageName);
};

} // namespace protocol
