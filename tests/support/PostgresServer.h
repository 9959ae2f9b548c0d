#pragma once

#include "ScratchFolder.h"

#include <string>
#include <string_view>

namespace vantry::test {

// A PostgreSQL server of a test's own: a new cluster in a scratch folder, listening on a free
// loopback port (and a socket in the folder), trusting the user "vantry", without fsync. Run as
// the "postgres" user when the test runs as root (PostgreSQL refuses root). It can be stopped and
// started again on the same port, as a restarted database would be. Throws std::runtime_error,
// with PostgreSQL's own words, when it cannot start.
class PostgresServer {
public:
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    int port() const { return port_; }
    // The libpq URI of `database` on this server.
    std::string uri(std::string_view database = "postgres") const;
    // A new, empty database; its URI.
    std::string createDatabase(std::string_view name);

    // Stops at once (fast shutdown: connections are cut), or starts again.
    void stop();
    void start();

private:
    void run(const std::string& command, std::string_view what) const;

    ScratchFolder folder_ { "vantry-postgres" };
    std::string binaries_;
    std::string asServerUser_;
    int port_ = 0;
    bool running_ = false;
};

} // namespace vantry::test
