#include "PostgresPlayerStore.h"

#include "Log.h"
#include "PlayerRecord.h"

#include <fmt/format.h>

#include <charconv>
#include <cstdlib>
#include <future>
#include <thread>

namespace server {

namespace {

constexpr std::string_view kColumns
    = "key, level, saved, score, total, latitude, longitude, coins, princesses, updated";
// Any number of servers may start at once: the first to take this lock sets the tables up.
constexpr std::string_view kSchemaLock = "SELECT pg_advisory_xact_lock(7436001)";
// The steps from one version of the tables to the next, the first from nothing; each a list of
// statements (libpq runs one at a time).
const std::vector<std::vector<std::string>> kMigrations {
    {
        "CREATE TABLE players (key text PRIMARY KEY, level integer NOT NULL, saved integer NOT NULL, "
        "score integer NOT NULL, total integer NOT NULL, latitude double precision NOT NULL, "
        "longitude double precision NOT NULL, coins text NOT NULL, princesses text NOT NULL, "
        "updated double precision NOT NULL, version bigint NOT NULL)",
        "CREATE TABLE damaged_players (key text NOT NULL, level integer NOT NULL, saved integer NOT NULL, "
        "score integer NOT NULL, total integer NOT NULL, latitude double precision NOT NULL, "
        "longitude double precision NOT NULL, coins text NOT NULL, princesses text NOT NULL, "
        "updated double precision NOT NULL, set_aside double precision NOT NULL)",
    },
};
const std::string kLoad = fmt::format("SELECT {}, version FROM players WHERE key = $1", kColumns);
const std::string kInsert
    = fmt::format("INSERT INTO players ({}, version) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, 1) "
                  "ON CONFLICT (key) DO NOTHING",
        kColumns);
const std::string kUpdate
    = "UPDATE players SET level = $2, saved = $3, score = $4, total = $5, latitude = $6, "
      "longitude = $7, coins = $8, princesses = $9, updated = $10, version = version + 1 "
      "WHERE key = $1 AND version = $11";
const std::string kSetAside
    = fmt::format("WITH moved AS (DELETE FROM players WHERE key = $1 AND version = $2 "
                  "RETURNING {0}) INSERT INTO damaged_players ({0}, set_aside) "
                  "SELECT {0}, $3 FROM moved",
        kColumns);

double now()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

template<typename Number> Number numberIn(std::optional<std::string_view> text)
{
    Number number {};
    if (text)
        std::from_chars(text->data(), text->data() + text->size(), number);
    return number;
}

double doubleIn(std::optional<std::string_view> text)
{
    return text ? std::strtod(std::string(*text).c_str(), nullptr) : 0;
}

// Brings the tables to kSchemaVersion in one transaction; false (logged) when it cannot.
bool migrate(PgConnection& connection, const std::string& where)
{
    const auto fail = [&](std::string_view what) {
        base::logf("players database: cannot {} in {}: {}", what, where, connection.error());
        connection.run("ROLLBACK");
        return false;
    };
    if (!connection.run("BEGIN") || !connection.run(kSchemaLock)
        || !connection.run("CREATE TABLE IF NOT EXISTS vantry_schema (version integer PRIMARY KEY, "
                           "applied timestamptz NOT NULL DEFAULT now())"))
        return fail("set up the tables");
    const std::optional<PgResult> current
        = connection.run("SELECT coalesce(max(version), 0) FROM vantry_schema");
    if (!current)
        return fail("read the tables' version");
    const int version = numberIn<int>(current->value(0, 0));
    if (version > PostgresPlayerStore::kSchemaVersion) {
        base::logf("players database: {} was set up by a newer vantry-server (version {})", where, version);
        connection.run("ROLLBACK");
        return false;
    }
    for (int next = version + 1; next <= PostgresPlayerStore::kSchemaVersion; ++next) {
        for (const std::string& statement : kMigrations[static_cast<std::size_t>(next - 1)]) {
            if (!connection.run(statement))
                return fail("set up the tables");
        }
        if (!connection.run("INSERT INTO vantry_schema (version) VALUES ($1)", { std::to_string(next) }))
            return fail("set up the tables");
    }
    if (!connection.run("COMMIT"))
        return fail("set up the tables");
    return true;
}

std::vector<std::optional<std::string>> columnsOf(const PlayerState& player)
{
    return { player.key, std::to_string(player.level), std::to_string(player.saved),
        std::to_string(player.score), std::to_string(player.total),
        fmt::format("{}", player.position.latitude), fmt::format("{}", player.position.longitude),
        objectsText(player.coins), objectsText(player.princesses), fmt::format("{}", player.lastMoved) };
}

} // namespace

PostgresPlayerStore::PostgresPlayerStore(const std::string& uri)
    : pool_(uri, kConnections, kWorkWaiting, kStatementTimeout)
{ }

PostgresPlayerStore::~PostgresPlayerStore() = default;

std::unique_ptr<PostgresPlayerStore> PostgresPlayerStore::open(
    const std::string& uri, const std::function<bool()>& keepTrying)
{
    const std::string where = PgConnection::describe(uri);
    std::chrono::seconds pause = PgConnectionPool::kFirstPause;
    while (keepTrying()) {
        std::string failure;
        std::unique_ptr<PgConnection> connection
            = PgConnection::open(uri, std::chrono::seconds(5), std::chrono::seconds(30), failure);
        if (connection) {
            if (!migrate(*connection, where))
                return nullptr;
            return std::unique_ptr<PostgresPlayerStore>(new PostgresPlayerStore(uri));
        }
        base::logf(
            "players database: cannot reach {}: {}; trying again in {} s", where, failure, pause.count());
        for (auto waited = std::chrono::milliseconds(0); waited < pause && keepTrying();
             waited += std::chrono::milliseconds(100))
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pause = std::min(2 * pause, std::chrono::seconds(PgConnectionPool::kLongestPause));
    }
    return nullptr;
}

void PostgresPlayerStore::load(std::string_view key, Deadline deadline, std::function<void(Loaded)> done)
{
    pool_.run(deadline, [key = std::string(key), done = std::move(done)](PgConnection* connection) {
        if (!connection)
            return done({});
        const std::optional<PgResult> row = connection->run(kLoad, { key });
        if (!row) {
            base::logf("players database: cannot read a player: {}", connection->error());
            return done({});
        }
        if (row->rows() == 0)
            return done({ true, std::nullopt, 0 });
        const long long version = numberIn<long long>(row->value(0, 10));
        std::optional<std::vector<PlacedObject>> coins = objectsFrom(row->value(0, 7).value_or(""));
        std::optional<std::vector<PlacedObject>> princesses = objectsFrom(row->value(0, 8).value_or(""));
        if (!coins || !princesses) {
            if (!connection->run(kSetAside, { key, std::to_string(version), fmt::format("{}", now()) })) {
                base::logf("players database: cannot set aside a damaged game: {}", connection->error());
                return done({});
            }
            base::logf(
                "players database: the game of player {} is damaged; it was set aside and a new game begun",
                shortHash(key));
            return done({ true, std::nullopt, 0 });
        }
        PlayerState player;
        player.key = key;
        player.level = numberIn<int>(row->value(0, 1));
        player.saved = numberIn<int>(row->value(0, 2));
        player.score = numberIn<int>(row->value(0, 3));
        player.total = numberIn<int>(row->value(0, 4));
        player.position = { doubleIn(row->value(0, 5)), doubleIn(row->value(0, 6)) };
        player.coins = std::move(*coins);
        player.princesses = std::move(*princesses);
        player.lastMoved = doubleIn(row->value(0, 9));
        done({ true, std::move(player), version });
    });
}

void PostgresPlayerStore::save(
    const PlayerState& player, long long version, Deadline deadline, std::function<void(Saving)> done)
{
    std::vector<std::optional<std::string>> columns = columnsOf(player);
    if (version > 0)
        columns.push_back(std::to_string(version));
    pool_.run(
        deadline, [version, columns = std::move(columns), done = std::move(done)](PgConnection* connection) {
            if (!connection)
                return done(Saving::Failed);
            const std::optional<PgResult> result = connection->run(version > 0 ? kUpdate : kInsert, columns);
            if (!result) {
                base::logf("players database: cannot save a player: {}", connection->error());
                return done(Saving::Failed);
            }
            done(result->affectedRows() == 1 ? Saving::Committed : Saving::Conflict);
        });
}

std::optional<long long> PostgresPlayerStore::playerCount()
{
    std::promise<std::optional<long long>> counted;
    pool_.run(
        std::chrono::steady_clock::now() + std::chrono::seconds(5), [&counted](PgConnection* connection) {
            const std::optional<PgResult> row
                = connection ? connection->run("SELECT count(*) FROM players") : std::nullopt;
            counted.set_value(row ? std::optional(numberIn<long long>(row->value(0, 0))) : std::nullopt);
        });
    return counted.get_future().get();
}

} // namespace server
