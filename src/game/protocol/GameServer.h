#pragma once

#include <string>
#include <string_view>

namespace game {

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

    // "https://<host>/api/play".
    static std::string playURL();
    // "http://<host>/img/<name>.png". The name comes from the server: bytes other than letters,
    // digits, '-', '.', '_' and '~' are percent-encoded, so a name cannot leave the image folder or
    // break the URL.
    static std::string markerImageLocation(std::string_view imageName);
};

} // namespace game
