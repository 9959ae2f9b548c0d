#pragma once

#include "GameRules.h"
#include "HttpLimits.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace server {

class GameService;
class HttpRoutes;
class HttpServer;
class PlayerStore;
class TlsServerContext;

struct VantryServerSettings {
    std::string host = "127.0.0.1"; // address (or name) both ports listen on
    int playPort = 8443; // HTTPS: POST /api/play (and plain-HTTP pictures too); 0: any free port
    int imagePort = 8080; // plain HTTP: GET /img/NAME.png; 0: any free port
    std::string dataFolder; // players.sqlite (unless `database` is given) and the server's own certificates
    // A libpq URI (postgresql://…): the games in that PostgreSQL database, which several servers may
    // share; empty: in players.sqlite in the data folder.
    std::string database;
    // Asked while the server waits at start for a database it cannot reach: false gives up.
    std::function<bool()> keepWaiting = [] { return true; };
    // The server's certificate chain and key (PEM); both empty: the server's own authority and
    // certificate in the data folder, made on first start.
    std::string certificate;
    std::string privateKey;
    std::uint64_t seed = 0; // placement of the game objects
    double fastest = GameRuleNumbers::kFastest; // fair play: metres a second no player can beat
    HttpLimits limits;
};

// The game server: the play endpoint over HTTPS and the game objects' pictures over plain HTTP,
// each on a port of its own; the play port also answers plain-HTTP picture requests, so a client
// that knows one address finds both. Everything it keeps lives in the data folder.
class VantryServer {
public:
    // The players' games as `settings` place them, the data folder prepared; null (logged) when they
    // cannot be opened.
    static std::unique_ptr<PlayerStore> openStore(const VantryServerSettings& settings);
    // Prepares the data folder (made owner-only when missing), opens the players database, readies
    // the TLS files and binds both ports. Null (logged) when any of it fails.
    static std::unique_ptr<VantryServer> create(const VantryServerSettings& settings);
    ~VantryServer();
    VantryServer(const VantryServer&) = delete;
    VantryServer& operator=(const VantryServer&) = delete;

    // Serves on threads of its own until `stop` (or destruction).
    void start();
    // Stops taking requests, finishes the answers being written and closes every connection.
    void stop();

    int playPort() const { return playPort_; }
    int imagePort() const { return imagePort_; }
    // The certificate of the server's own authority (for clients to trust), or empty when the
    // server was given its certificate.
    const std::string& authorityFile() const { return authorityFile_; }
    // Whether this start made the authority (the first start with this data folder).
    bool madeAuthority() const { return madeAuthority_; }

private:
    VantryServer();
    bool setUp(const VantryServerSettings& settings);

    std::unique_ptr<PlayerStore> store_;
    std::unique_ptr<GameService> game_;
    std::unique_ptr<TlsServerContext> tls_;
    std::unique_ptr<HttpRoutes> playRoutes_;
    std::unique_ptr<HttpRoutes> pictureRoutes_;
    std::unique_ptr<HttpServer> playServer_;
    std::unique_ptr<HttpServer> imageServer_;
    int playPort_ = -1;
    int imagePort_ = -1;
    std::string authorityFile_;
    bool madeAuthority_ = false;
};

} // namespace server
