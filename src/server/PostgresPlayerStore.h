#pragma once

#include "PgConnectionPool.h"
#include "PlayerState.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace server {

// The players' games in a PostgreSQL database that any number of servers share. Every game has a
// version, raised by each save; a save states the version it was played on and is refused as a
// conflict when another server saved the player meanwhile, so that no update is lost and nothing
// is locked between a load and its save. Work runs on a PgConnectionPool, so no caller waits; a
// statement that takes longer than kStatementTimeout fails, and the request with it.
class PostgresPlayerStore {
public:
    using Deadline = std::chrono::steady_clock::time_point;
    static constexpr int kConnections = 4;
    static constexpr std::size_t kWorkWaiting = 4096;
    static constexpr std::chrono::milliseconds kStatementTimeout { 1000 };
    static constexpr int kSchemaVersion = 1;

    // Connects to the database at `uri` (a libpq URI) and brings its tables to this server's
    // version, several servers at once as well as one. While the database cannot be reached it
    // says so and tries again, after 1 s doubling to 30 s, as long as `keepTrying` answers true.
    // Null (logged) when it stops trying, or when the tables come from a newer server.
    static std::unique_ptr<PostgresPlayerStore> open(
        const std::string& uri, const std::function<bool()>& keepTrying);
    ~PostgresPlayerStore();
    PostgresPlayerStore(const PostgresPlayerStore&) = delete;
    PostgresPlayerStore& operator=(const PostgresPlayerStore&) = delete;

    struct Loaded {
        bool ok = false; // false: the database failed (logged)
        std::optional<PlayerState> player; // none: no game under the key yet
        long long version = 0; // of the game loaded; 0 when there is none
    };
    // A game whose objects cannot be read is moved to `damaged_players` as it was, logged under a
    // short hash of its key, and the player has no game. `done` is called on a pool thread, or at
    // once when the database is out of reach.
    void load(std::string_view key, Deadline deadline, std::function<void(Loaded)> done);

    enum class Saving { Committed, Conflict, Failed };
    // Saves the game played on `version` of it (0: a new player): Committed, Conflict when another
    // save came first (nothing written), Failed (logged) when the database failed.
    void save(
        const PlayerState& player, long long version, Deadline deadline, std::function<void(Saving)> done);

    // How many players have a game; waits for the answer.
    std::optional<long long> playerCount();

private:
    explicit PostgresPlayerStore(const std::string& uri);

    PgConnectionPool pool_;
};

} // namespace server
