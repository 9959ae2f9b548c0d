#include "PlayerStore.h"

#include "FMDatabase.h"
#include "FMResultSet.h"
#include "Log.h"
#include "WalCheckpointer.h"
#include "ZQJsonParser.h"
#include "ZQJsonWriter.h"

#include <chrono>
#include <fcntl.h>
#include <unistd.h>

namespace server {

namespace {
constexpr int kSchemaVersion = 1;
// Busy answers come only from another program holding the file (the sqlite3 shell, a backup); give
// up after about half a second (each retry pauses 20 µs, more in practice) rather than stall every
// player.
constexpr int kBusyRetries = 5000;
constexpr std::chrono::milliseconds kCheckpointInterval { 1000 };

void logFailure(std::string_view what, const fmdb::FMDatabase& database)
{
    base::log(std::string("players database: ") + std::string(what) + ": " + database.lastErrorMessage());
}

std::string objectsText(const std::vector<PlacedObject>& objects)
{
    json::Array list;
    list.reserve(objects.size());
    for (const PlacedObject& object : objects) {
        list.emplace_back(json::Array { json::Value(object.id),
            json::Value(*json::Decimal::fromDouble(object.where.latitude)),
            json::Value(*json::Decimal::fromDouble(object.where.longitude)) });
    }
    json::ZQJsonWriter writer;
    return writer.stringWithObjectAllowScalar(json::Value(std::move(list)), false).value_or("[]");
}

std::optional<std::vector<PlacedObject>> objectsFrom(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    json::ZQJsonParser parser;
    const std::optional<json::Value> parsed = parser.objectWithStringAllowScalar(*text, false);
    const json::Array* list = parsed ? parsed->asArray() : nullptr;
    if (!list)
        return std::nullopt;
    std::vector<PlacedObject> objects;
    objects.reserve(list->size());
    for (const json::Value& entry : *list) {
        const json::Array* fields = entry.asArray();
        if (!fields || fields->size() != 3 || !(*fields)[0].asString() || !(*fields)[1].asNumber()
            || !(*fields)[2].asNumber())
            return std::nullopt;
        objects.push_back({ *(*fields)[0].asString(),
            { (*fields)[1].asNumber()->doubleValue(), (*fields)[2].asNumber()->doubleValue() } });
    }
    return objects;
}

// SQLite creates the write-ahead log and its index with the permissions of the database file.
bool createOwnerOnly(const std::string& path)
{
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor >= 0)
        return ::close(descriptor) == 0;
    return errno == EEXIST;
}

bool setUp(fmdb::FMDatabase& database)
{
    const std::shared_ptr<fmdb::FMResultSet> version = database.executeQuery("PRAGMA user_version");
    if (!version || !version->next()) {
        logFailure("cannot read the file", database);
        return false;
    }
    const int fileVersion = version->intForColumnIndex(0);
    version->close();
    if (fileVersion > kSchemaVersion) {
        base::log(
            "players database: made by a newer vantry-server (schema " + std::to_string(fileVersion) + ")");
        return false;
    }

    const std::shared_ptr<fmdb::FMResultSet> mode = database.executeQuery("PRAGMA journal_mode=WAL");
    const bool writeAhead = mode && mode->next() && mode->stringForColumnIndex(0) == "wal";
    if (mode)
        mode->close();
    if (!writeAhead) {
        logFailure("cannot switch to write-ahead logging", database);
        return false;
    }
    // Checkpoints run on a connection of their own (WalCheckpointer).
    const std::shared_ptr<fmdb::FMResultSet> automatic = database.executeQuery("PRAGMA wal_autocheckpoint=0");
    if (automatic)
        automatic->close();
    if (!database.executeUpdate("PRAGMA synchronous=NORMAL")
        || !database.executeUpdate("CREATE TABLE IF NOT EXISTS players (key TEXT PRIMARY KEY NOT NULL, "
                                   "level INTEGER NOT NULL, saved INTEGER NOT NULL, score INTEGER NOT NULL, "
                                   "total INTEGER NOT NULL, latitude REAL NOT NULL, longitude REAL NOT NULL, "
                                   "coins TEXT NOT NULL, princesses TEXT NOT NULL, updated REAL NOT NULL) "
                                   "WITHOUT ROWID")
        || !database.executeUpdate("PRAGMA user_version=" + std::to_string(kSchemaVersion))) {
        logFailure("cannot set up the players table", database);
        return false;
    }
    return true;
}
} // namespace

std::unique_ptr<PlayerStore> PlayerStore::open(const std::string& path)
{
    if (!createOwnerOnly(path)) {
        base::log("players database: cannot create " + path);
        return nullptr;
    }
    auto database = std::make_shared<fmdb::FMDatabase>(path);
    if (!database->open()) {
        logFailure("cannot open " + path, *database);
        return nullptr;
    }
    database->setShouldCacheStatements(true);
    database->setBusyRetryTimeout(kBusyRetries);
    if (!setUp(*database))
        return nullptr;
    std::unique_ptr<WalCheckpointer> checkpointer = WalCheckpointer::start(path, kCheckpointInterval);
    if (!checkpointer)
        return nullptr;
    return std::unique_ptr<PlayerStore>(new PlayerStore(std::move(database), std::move(checkpointer)));
}

PlayerStore::PlayerStore(
    std::shared_ptr<fmdb::FMDatabase> database, std::unique_ptr<WalCheckpointer> checkpointer)
    : database_(std::move(database))
    , checkpointer_(std::move(checkpointer))
{ }

PlayerStore::~PlayerStore()
{
    database_->close();
    // Last, so that its final checkpoint finds the log free.
    checkpointer_.reset();
}

PlayerStore::Loaded PlayerStore::load(std::string_view key)
{
    const std::shared_ptr<fmdb::FMResultSet> row = database_->executeQuery(
        "SELECT level, saved, score, total, latitude, longitude, coins, princesses, "
        "updated FROM players WHERE key = ?",
        key);
    if (!row) {
        logFailure("cannot read a player", *database_);
        return {};
    }
    if (!row->next()) {
        const bool failed = database_->hadError();
        if (failed)
            logFailure("cannot read a player", *database_);
        return { !failed, std::nullopt };
    }
    PlayerState player;
    player.key = std::string(key);
    player.level = row->intForColumnIndex(0);
    player.saved = row->intForColumnIndex(1);
    player.score = row->intForColumnIndex(2);
    player.total = row->intForColumnIndex(3);
    player.position = { row->doubleForColumnIndex(4), row->doubleForColumnIndex(5) };
    player.lastMoved = row->doubleForColumnIndex(8);
    std::optional<std::vector<PlacedObject>> coins = objectsFrom(row->stringForColumnIndex(6));
    std::optional<std::vector<PlacedObject>> princesses = objectsFrom(row->stringForColumnIndex(7));
    row->close();
    if (!coins || !princesses) {
        base::log("players database: a player's stored objects are damaged");
        return {};
    }
    player.coins = std::move(*coins);
    player.princesses = std::move(*princesses);
    return { true, std::move(player) };
}

bool PlayerStore::save(const PlayerState& player)
{
    if (!database_->executeUpdate(
            "INSERT OR REPLACE INTO players (key, level, saved, score, total, latitude, "
            "longitude, coins, princesses, updated) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            player.key, player.level, player.saved, player.score, player.total, player.position.latitude,
            player.position.longitude, objectsText(player.coins), objectsText(player.princesses),
            player.lastMoved)) {
        logFailure("cannot save a player", *database_);
        return false;
    }
    return true;
}

std::optional<long long> PlayerStore::playerCount()
{
    const std::shared_ptr<fmdb::FMResultSet> row = database_->executeQuery("SELECT COUNT(*) FROM players");
    if (!row || !row->next()) {
        logFailure("cannot count the players", *database_);
        return std::nullopt;
    }
    const long long count = row->longLongIntForColumnIndex(0);
    row->close();
    return count;
}

} // namespace server
