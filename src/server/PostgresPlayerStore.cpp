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
const std::string kReplace = kInsert.substr(0, kInsert.find(" ON CONFLICT"))
    + " ON CONFLICT (key) DO UPDATE SET level = $2, saved = $3, score = $4, total = $5, latitude = $6, "
      "longitude = $7, coins = $8, princesses = $9, updated = $10, version = players.version + 1";
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

// The game in `row` (columns as kColumns); none when its objects cannot be read.
std::optional<PlayerState> playerIn(const PgResult& rows, int row)
{
    std::optional<std::vector<PlacedObject>> coins = objectsFrom(rows.value(row, 7).value_or(""));
    std::optional<std::vector<PlacedObject>> princesses = objectsFrom(rows.value(row, 8).value_or(""));
    if (!coins || !princesses)
        return std::nullopt;
    PlayerState player;
    player.key = rows.value(row, 0).value_or("");
    player.level = numberIn<int>(rows.value(row, 1));
    player.saved = numberIn<int>(rows.value(row, 2));
    player.score = numberIn<int>(rows.value(row, 3));
    player.total = numberIn<int>(rows.value(row, 4));
    player.position = { doubleIn(rows.value(row, 5)), doubleIn(rows.value(row, 6)) };
    player.coins = std::move(*coins);
    player.princesses = std::move(*princesses);
    player.lastMoved = doubleIn(rows.value(row, 9));
    return player;
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

void PostgresPlayerStore::load(std::string_view key, Deadline deadline, Loading done)
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
            return done({ true, std::nullopt, false, 0 });
        const auto version = numberIn<std::uint64_t>(row->value(0, 10));
        std::optional<PlayerState> player = playerIn(*row, 0);
        if (!player) {
            if (!connection->run(kSetAside, { key, std::to_string(version), fmt::format("{}", now()) })) {
                base::logf("players database: cannot set aside a damaged game: {}", connection->error());
                return done({});
            }
            base::logf(
                "players database: the game of player {} is damaged; it was set aside and a new game begun",
                shortHash(key));
            return done({ true, std::nullopt, false, 0 });
        }
        done({ true, std::move(player), false, version });
    });
}

void PostgresPlayerStore::save(PlayerState player, std::uint64_t basis, Deadline deadline, Saving done)
{
    std::vector<std::optional<std::string>> columns = columnsOf(player);
    if (basis > 0)
        columns.push_back(std::to_string(basis));
    pool_.run(
        deadline, [basis, columns = std::move(columns), done = std::move(done)](PgConnection* connection) {
            if (!connection)
                return done(Saved::failed);
            const std::optional<PgResult> result = connection->run(basis > 0 ? kUpdate : kInsert, columns);
            if (!result) {
                base::logf("players database: cannot save a player: {}", connection->error());
                return done(Saved::failed);
            }
            done(result->affectedRows() == 1 ? Saved::committed : Saved::stale);
        });
}

bool PostgresPlayerStore::forEachPlayer(const std::function<void(const PlayerState&)>& each)
{
    std::promise<bool> read;
    pool_.run(std::chrono::steady_clock::now() + std::chrono::minutes(10), [&](PgConnection* connection) {
        const std::optional<PgResult> rows = connection
            ? connection->run(fmt::format("SELECT {} FROM players ORDER BY key", kColumns))
            : std::nullopt;
        if (!rows) {
            base::logf("players database: cannot read the players: {}",
                connection ? connection->error() : "the database cannot be reached");
            return read.set_value(false);
        }
        for (int row = 0; row < rows->rows(); ++row) {
            if (const std::optional<PlayerState> player = playerIn(*rows, row))
                each(*player);
            else
                base::logf("players database: the game of player {} is damaged; skipped",
                    shortHash(rows->value(row, 0).value_or("")));
        }
        read.set_value(true);
    });
    return read.get_future().get();
}

bool PostgresPlayerStore::replace(const PlayerState& player)
{
    std::promise<bool> replaced;
    pool_.run(std::chrono::steady_clock::now() + std::chrono::seconds(10), [&](PgConnection* connection) {
        const bool done = connection && connection->run(kReplace, columnsOf(player));
        if (connection && !done)
            base::logf("players database: cannot save a player: {}", connection->error());
        replaced.set_value(done);
    });
    return replaced.get_future().get();
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
