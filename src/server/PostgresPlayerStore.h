#pragma once

#include "PgConnectionPool.h"
#include "PlayerStore.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace server {

// The players' games in a PostgreSQL database that any number of servers share. Every game has a
// version, raised by each save; a save states the version it was played on and is refused as stale
// when another server saved the player meanwhile, so that no update is lost and nothing is locked
// between a load and its save. Work runs on a PgConnectionPool, so no caller waits; a
// statement that takes longer than kStatementTimeout fails, and the request with it.
class PostgresPlayerStore : public PlayerStore {
public:
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

    // A game's basis is its version: 0 when there was none, so that two first games of one player
    // cannot both be saved.
    void load(std::string_view key, Deadline deadline, Loading done) override;
    void save(PlayerState player, std::uint64_t basis, Deadline deadline, Saving done) override;
    std::optional<long long> playerCount() override;
    bool forEachPlayer(const std::function<void(const PlayerState&)>& each) override;
    // Raises the version, so that a game played on the one replaced is stale.
    bool replace(const PlayerState& player) override;

private:
    explicit PostgresPlayerStore(const std::string& uri);

    PgConnectionPool pool_;
};

} // namespace server
