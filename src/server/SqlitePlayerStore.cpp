#include "SqlitePlayerStore.h"

#include "BatchWriter.h"
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "Log.h"
#include "PlayerRecord.h"
#include "WalCheckpointer.h"

#include <fmt/format.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <future>
#include <unistd.h>

namespace server {

namespace {
// 2: damaged games are set aside in their own table.
constexpr int kSchemaVersion = 2;
// While the file is set up at start, before anyone plays: a lock held by another program (the sqlite3
// shell, a backup) is waited for about half a second (each retry pauses 20 µs, more in practice).
constexpr int kSetUpBusyRetries = 5000;
// Afterwards no connection waits for a lock: the BatchWriter does, off its connection.
constexpr int kNoBusyRetries = -1;
constexpr std::chrono::milliseconds kCheckpointInterval { 1000 };
// The log starts again from its beginning when it holds this much, and SQLite cuts its file back to
// the limit when it does.
constexpr std::uintmax_t kLogRestartAt = 16 << 20;
constexpr std::uintmax_t kLogSizeLimit = 64 << 20;

constexpr std::string_view kColumns
    = "key, level, saved, score, total, latitude, longitude, coins, princesses, updated";
const std::string kLoadQuery = fmt::format("SELECT {} FROM players WHERE key = ?", kColumns);
const std::string kSaveQuery
    = fmt::format("INSERT OR REPLACE INTO players ({}) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", kColumns);
const std::string kSetAsideQuery = fmt::format(
    "INSERT INTO damaged_players ({0}, set_aside) SELECT {0}, ? FROM players WHERE key = ?", kColumns);

void logFailure(std::string_view what, const fmdb::FMDatabase& database)
{
    base::log(std::string("players database: ") + std::string(what) + ": " + database.lastErrorMessage());
}

// The game in a row of `players` (columns as kColumns); none when its objects cannot be read.
std::optional<PlayerState> playerFrom(fmdb::FMResultSet& row)
{
    std::optional<std::vector<PlacedObject>> coins = objectsFrom(row.stringForColumnIndex(7).value_or(""));
    std::optional<std::vector<PlacedObject>> princesses
        = objectsFrom(row.stringForColumnIndex(8).value_or(""));
    if (!coins || !princesses)
        return std::nullopt;
    PlayerState player;
    player.key = row.stringForColumnIndex(0).value_or("");
    player.level = row.intForColumnIndex(1);
    player.saved = row.intForColumnIndex(2);
    player.score = row.intForColumnIndex(3);
    player.total = row.intForColumnIndex(4);
    player.position = { row.doubleForColumnIndex(5), row.doubleForColumnIndex(6) };
    player.coins = std::move(*coins);
    player.princesses = std::move(*princesses);
    player.lastMoved = row.doubleForColumnIndex(9);
    return player;
}

// SQLite creates the write-ahead log and its index with the permissions of the database file.
bool createOwnerOnly(const std::string& path)
{
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor >= 0)
        return ::close(descriptor) == 0;
    return errno == EEXIST;
}

// The first problem SQLite's quick check finds in the file; none when it finds none.
std::optional<std::string> damageIn(fmdb::FMDatabase& database)
{
    const std::shared_ptr<fmdb::FMResultSet> check = database.executeQuery("PRAGMA quick_check");
    if (!check || !check->next())
        return database.lastErrorMessage();
    std::string problems = check->stringForColumnIndex(0).value_or("");
    check->close();
    if (problems == "ok")
        return std::nullopt;
    // One problem a line, under a line naming the schema ("*** in database main ***").
    if (problems.starts_with("*** "))
        problems.erase(0, problems.find('\n') + 1);
    return problems.substr(0, problems.find('\n'));
}

// Sets a pragma that answers with a row; the answer is not needed.
void setPragma(fmdb::FMDatabase& database, const std::string& pragma)
{
    if (const std::shared_ptr<fmdb::FMResultSet> answer = database.executeQuery("PRAGMA " + pragma))
        answer->close();
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
    if (const std::optional<std::string> damage = damageIn(database)) {
        base::log("players database: " + database.databasePath() + " is damaged (" + *damage
            + "); move it aside (with its -wal file) to begin an empty one, or restore a backup");
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
    // Version 1 lacked `damaged_players`; nothing else changed, so creating what is missing upgrades.
    const std::string columns = "key TEXT NOT NULL, level INTEGER NOT NULL, saved INTEGER NOT NULL, "
                                "score INTEGER NOT NULL, total INTEGER NOT NULL, latitude REAL NOT NULL, "
                                "longitude REAL NOT NULL, coins TEXT NOT NULL, princesses TEXT NOT NULL, "
                                "updated REAL NOT NULL";
    if (!database.executeUpdate(
            "CREATE TABLE IF NOT EXISTS players (" + columns + ", PRIMARY KEY (key)) WITHOUT ROWID")
        || !database.executeUpdate(
            "CREATE TABLE IF NOT EXISTS damaged_players (" + columns + ", set_aside REAL NOT NULL)")
        || !database.executeUpdate("PRAGMA user_version=" + std::to_string(kSchemaVersion))) {
        logFailure("cannot set up the players table", database);
        return false;
    }
    return true;
}

// What every connection that writes needs.
bool setUpWriting(fmdb::FMDatabase& database)
{
    // Checkpoints run on a connection of their own (WalCheckpointer).
    setPragma(database, "wal_autocheckpoint=0");
    setPragma(database, "journal_size_limit=" + std::to_string(kLogSizeLimit));
    if (!database.executeUpdate("PRAGMA synchronous=NORMAL")) {
        logFailure("cannot set up writing", database);
        return false;
    }
    return true;
}

std::shared_ptr<fmdb::FMDatabase> openWriter(const std::string& path)
{
    auto database = std::make_shared<fmdb::FMDatabase>(path);
    if (!database->open()) {
        logFailure("cannot open " + path + " for writing", *database);
        return nullptr;
    }
    database->setShouldCacheStatements(true);
    database->setBusyRetryTimeout(kNoBusyRetries);
    if (!setUpWriting(*database))
        return nullptr;
    return database;
}
} // namespace

std::unique_ptr<SqlitePlayerStore> SqlitePlayerStore::open(const std::string& path)
{
    if (!createOwnerOnly(path)) {
        base::log("players database: cannot create " + path);
        return nullptr;
    }
    // The set-up's connection stays for the loads.
    auto database = std::make_shared<fmdb::FMDatabase>(path);
    if (!database->open()) {
        logFailure("cannot open " + path, *database);
        return nullptr;
    }
    database->setShouldCacheStatements(true);
    database->setBusyRetryTimeout(kSetUpBusyRetries);
    if (!setUp(*database))
        return nullptr;
    database->setBusyRetryTimeout(kNoBusyRetries);
    std::shared_ptr<fmdb::FMDatabase> writer = openWriter(path);
    if (!writer)
        return nullptr;
    std::unique_ptr<WalCheckpointer> checkpointer
        = WalCheckpointer::start(path, kCheckpointInterval, kLogRestartAt);
    if (!checkpointer)
        return nullptr;
    // After each commit: how much the log holds. (Set after the pragmas, which set hooks of their own.)
    sqlite3_wal_hook(
        writer->sqliteHandle(),
        [](void* checkpointer, sqlite3*, const char*, int frames) {
            static_cast<WalCheckpointer*>(checkpointer)->logHolds(frames);
            return SQLITE_OK;
        },
        checkpointer.get());
    return std::unique_ptr<SqlitePlayerStore>(
        new SqlitePlayerStore(std::move(database), std::move(writer), std::move(checkpointer)));
}

SqlitePlayerStore::SqlitePlayerStore(std::shared_ptr<fmdb::FMDatabase> reader,
    std::shared_ptr<fmdb::FMDatabase> writer, std::unique_ptr<WalCheckpointer> checkpointer)
    : reader_(std::move(reader))
    , writerConnection_(std::move(writer))
    , checkpointer_(std::move(checkpointer))
    , writer_(std::make_unique<BatchWriter>(
          writerConnection_, [this] { return checkpointer_->holdsWritersOff(); }, kWritesWaiting,
          [this](fmdb::FMDatabase& database) { noticeOtherWriters(database); }))
{ }

SqlitePlayerStore::~SqlitePlayerStore()
{
    writer_.reset();
    writerConnection_->close();
    reader_->close();
    // Last, so that its final checkpoint finds the log free.
    checkpointer_.reset();
}

void SqlitePlayerStore::load(std::string_view key, Deadline deadline, Loading done)
{
    if (std::optional<RememberedGames::Found> found = remembered_.take(key))
        return done({ true, std::move(found->player), false, found->generation });
    Loaded loaded = read(key);
    if (!loaded.ok || loaded.player || !loaded.damaged)
        return done(std::move(loaded));
    setAside(std::string(key), deadline, std::move(done));
}

SqlitePlayerStore::Loaded SqlitePlayerStore::read(std::string_view key)
{
    const std::lock_guard lock(readerTurn_);
    const std::shared_ptr<fmdb::FMResultSet> row = reader_->executeQuery(kLoadQuery, key);
    if (!row) {
        logFailure("cannot read a player", *reader_);
        return {};
    }
    if (!row->next()) {
        const bool failed = reader_->hadError();
        if (failed)
            logFailure("cannot read a player", *reader_);
        return { !failed, std::nullopt };
    }
    Loaded loaded { true, playerFrom(*row) };
    loaded.damaged = !loaded.player;
    row->close();
    return loaded;
}

void SqlitePlayerStore::setAside(const std::string& key, Deadline deadline, Loading done)
{
    const double now
        = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    writer_->write(
        "set aside a damaged game", deadline,
        [key, now](fmdb::FMDatabase& database) {
            return database.executeUpdate(kSetAsideQuery, now, key)
                && database.executeUpdate("DELETE FROM players WHERE key = ?", key);
        },
        [key, done = std::move(done)](bool setAside) {
            if (!setAside)
                return done({});
            base::log("players database: the game of player " + shortHash(key)
                + " is damaged; it was set aside and a new game begun");
            done({ true, std::nullopt });
        });
}

void SqlitePlayerStore::save(PlayerState player, std::uint64_t basis, Deadline deadline, Saving done)
{
    struct Save {
        PlayerState player;
        std::string coins; // as stored, written off the writer's thread
        std::string princesses;
        std::uint64_t basis;
        Saving done;
        bool stale = false;
    };
    std::string coins = objectsText(player.coins);
    std::string princesses = objectsText(player.princesses);
    // Owned by the write until its `done`, which the writer calls exactly once; two pointers keep both
    // callbacks within std::function's own room (no allocation).
    Save* const save
        = new Save { std::move(player), std::move(coins), std::move(princesses), basis, std::move(done) };
    writer_->write(
        "save a player", deadline,
        [this, save](fmdb::FMDatabase& database) {
            // Not over what another program wrote since the game was remembered.
            save->stale = save->basis != 0 && save->basis != remembered_.generation();
            if (save->stale)
                return true;
            const PlayerState& game = save->player;
            return database.executeUpdate(kSaveQuery, game.key, game.level, game.saved, game.score,
                game.total, game.position.latitude, game.position.longitude, save->coins, save->princesses,
                game.lastMoved);
        },
        [this, save](bool committed) {
            const std::unique_ptr<Save> finished(save);
            if (!committed)
                return finished->done(Saved::failed);
            if (finished->stale)
                return finished->done(Saved::stale);
            remembered_.remember(std::move(finished->player));
            finished->done(Saved::committed);
        });
}

void SqlitePlayerStore::noticeOtherWriters(fmdb::FMDatabase& database)
{
    // Moves on with every commit of another connection (none of this process's others write).
    std::optional<long long> version;
    if (const std::shared_ptr<fmdb::FMResultSet> row = database.executeQuery("PRAGMA data_version");
        row && row->next()) {
        version = row->longLongIntForColumnIndex(0);
        row->close();
    }
    if (!version || version != dataVersion_)
        remembered_.forgetAll();
    dataVersion_ = version;
}

bool SqlitePlayerStore::forEachPlayer(const std::function<void(const PlayerState&)>& each)
{
    const std::lock_guard lock(readerTurn_);
    const std::shared_ptr<fmdb::FMResultSet> rows
        = reader_->executeQuery(fmt::format("SELECT {} FROM players ORDER BY key", kColumns));
    if (!rows) {
        logFailure("cannot read the players", *reader_);
        return false;
    }
    while (rows->next()) {
        if (const std::optional<PlayerState> player = playerFrom(*rows))
            each(*player);
        else
            base::log("players database: the game of player "
                + shortHash(rows->stringForColumnIndex(0).value_or("")) + " is damaged; skipped");
    }
    if (reader_->hadError()) {
        logFailure("cannot read the players", *reader_);
        return false;
    }
    return true;
}

bool SqlitePlayerStore::replace(const PlayerState& player)
{
    std::promise<Saved> saved;
    save(player, 0, std::chrono::steady_clock::now() + std::chrono::seconds(10),
        [&saved](Saved outcome) { saved.set_value(outcome); });
    return saved.get_future().get() == Saved::committed;
}

std::optional<long long> SqlitePlayerStore::playerCount()
{
    const std::lock_guard lock(readerTurn_);
    const std::shared_ptr<fmdb::FMResultSet> row = reader_->executeQuery("SELECT COUNT(*) FROM players");
    if (!row || !row->next()) {
        logFailure("cannot count the players", *reader_);
        return std::nullopt;
    }
    const long long count = row->longLongIntForColumnIndex(0);
    row->close();
    return count;
}

} // namespace server
