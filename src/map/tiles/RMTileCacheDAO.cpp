#include "RMTileCacheDAO.h"

#include "Clock.h"
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "Log.h"
#include "RMTrace.h"

#include <sqlite3.h>

#include <fmt/format.h>

#include <array>
#include <cctype>
#include <chrono>
#include <set>
#include <thread>

namespace {

// Rows of files from before the freshness columns expire this long after
// their last use (their download, unless read under LRU).
const std::string kStoredTileQuery = fmt::format(
    "SELECT zdata, COALESCE(zexpires, zlastUsed + {:.0f}), zetag, zlastModified FROM ZCACHE WHERE ztilehash "
    "= ?",
    platform::HttpFreshness::kDefaultLifetime);
// The same for a read-only file that may lack those columns.
const std::string kOldStoredTileQuery
    = fmt::format("SELECT zdata, zlastUsed + {:.0f}, NULL, NULL FROM ZCACHE WHERE ztilehash = ?",
        platform::HttpFreshness::kDefaultLifetime);

constexpr std::array<std::pair<const char*, const char*>, 3> kFreshnessColumns { { { "zexpires", "DOUBLE" },
    { "zetag", "TEXT" }, { "zlastModified", "TEXT" } } };

std::function<void()>& busyRetryPause()
{
    static std::function<void()> pause;
    return pause;
}

void sleepBetweenBusyRetries()
{
    std::this_thread::sleep_for(std::chrono::duration<double>(RMTileCacheDAO::kBusyPause));
}

fmdb::FMDate dateFromSeconds(double secondsSince1970)
{
    return fmdb::FMDate(std::chrono::duration<double>(secondsSince1970));
}

fmdb::FMBytes bytesOf(const platform::Data& data)
{
    return fmdb::FMBytes(data.data(), data.data() + data.size());
}

fmdb::FMValue textOrNull(const std::string& text)
{
    return text.empty() ? fmdb::FMValue() : fmdb::FMValue(text);
}

fmdb::FMValue expiresOrNull(const std::optional<platform::HttpFreshness>& freshness)
{
    return freshness ? fmdb::FMValue(freshness->expires) : fmdb::FMValue();
}

bool isDamage(int code)
{
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

bool isUnwritable(int code)
{
    return code == SQLITE_READONLY || code == SQLITE_CANTOPEN || code == SQLITE_PERM;
}

// A file name as an SQLite URI path: everything but unreserved characters
// and slashes percent-encoded.
std::string uriPath(const std::string& path)
{
    std::string encoded;
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~')
            encoded += static_cast<char>(c);
        else
            encoded += fmt::format("%{:02X}", c);
    }
    return encoded;
}

// The connection's settings: crashes on misuse, statements prepared once,
// locks waited for about two seconds.
void configure(fmdb::FMDatabase& db)
{
    db.setCrashOnErrors(true);
    db.setShouldCacheStatements(true);
    db.setBusyRetryTimeout(RMTileCacheDAO::kBusyRetries);
    db.setBusyRetryPause(
        busyRetryPause() ? busyRetryPause() : std::function<void()>(&sleepBetweenBusyRetries));
}

// The file's layout version (user_version), or none when it cannot be read.
std::optional<int> schemaVersion(fmdb::FMDatabase& db)
{
    const std::shared_ptr<fmdb::FMResultSet> version = db.executeQuery("PRAGMA user_version");
    if (!version || !version->next())
        return std::nullopt;
    const int number = version->intForColumnIndex(0);
    version->close();
    return number;
}

std::set<std::string> columnsOf(fmdb::FMDatabase& db)
{
    std::set<std::string> columns;
    if (const std::shared_ptr<fmdb::FMResultSet> info = db.executeQuery("PRAGMA table_info(ZCACHE)")) {
        while (info->next())
            columns.insert(info->stringForColumnIndex(1).value_or(""));
    }
    return columns;
}

double now()
{
    return platform::Clock::current().now();
}

} // namespace

void RMTileCacheDAO::setBusyRetryPause(std::function<void()> pause)
{
    busyRetryPause() = std::move(pause);
}

std::unique_ptr<RMTileCacheDAO> RMTileCacheDAO::createWithDatabase(
    const std::string& path, std::string* damage)
{
    base::logf("Opening database at {}", path);
    if (damage)
        damage->clear();
    auto db = std::make_shared<fmdb::FMDatabase>(path);
    if (!db->open()) {
        base::logf("Could not connect to database - {}", db->lastErrorMessage());
        return nullptr;
    }
    configure(*db);
    // SQLite opens any file lazily; a file that is not a database (or whose
    // schema is damaged), that cannot be written or that another program
    // holds locked shows itself at the first statement.
    if (setUpConnection(*db))
        return std::unique_ptr<RMTileCacheDAO>(new RMTileCacheDAO(std::move(db), false));
    const int code = db->lastErrorCode();
    const std::string message = db->lastErrorMessage();
    if (code == SQLITE_BUSY) {
        std::unique_ptr<RMTileCacheDAO> dao(new RMTileCacheDAO(std::move(db), false));
        dao->setUp_ = false;
        dao->noteOutcome(code, false);
        return dao;
    }
    if (isUnwritable(code)) {
        db.reset();
        if (std::unique_ptr<RMTileCacheDAO> dao = openReadOnly(path, message))
            return dao;
    }
    base::logf("Could not connect to database - {}", message);
    if (damage && isDamage(code))
        *damage = message;
    return nullptr;
}

std::unique_ptr<RMTileCacheDAO> RMTileCacheDAO::openReadOnly(
    const std::string& path, const std::string& reason)
{
    // A write-ahead log in a folder that cannot be written can only be read
    // as immutable: its shared-memory file cannot be made.
    for (const char* mode : { "mode=ro", "immutable=1" }) {
        auto db = std::make_shared<fmdb::FMDatabase>("file:" + uriPath(path) + "?" + mode);
        if (!db->open())
            continue;
        configure(*db);
        const std::shared_ptr<fmdb::FMResultSet> probe
            = db->executeQuery("SELECT ztileHash FROM ZCACHE LIMIT 1");
        if (!probe || (!probe->next() && db->hadError()))
            continue;
        probe->close();
        base::logf(
            "The tile database {} cannot be written ({}): its tiles are shown, new ones are not stored", path,
            reason);
        return std::unique_ptr<RMTileCacheDAO>(new RMTileCacheDAO(std::move(db), true));
    }
    return nullptr;
}

RMTileCacheDAO::RMTileCacheDAO(std::shared_ptr<fmdb::FMDatabase> db, bool readOnly)
    : db_(std::move(db))
    , readOnly_(readOnly)
{
    if (readOnly_ && schemaVersion(*db_).value_or(0) < kSchemaVersion) {
        const std::set<std::string> columns = columnsOf(*db_);
        hasFreshnessColumns_
            = columns.contains("zexpires") && columns.contains("zetag") && columns.contains("zlastModified");
    }
}

RMTileCacheDAO::~RMTileCacheDAO()
{
    RM_LOG_METHOD_CALL("dealloc", description());
}

bool RMTileCacheDAO::setUpConnection(fmdb::FMDatabase& db)
{
    if (!db.executeUpdate("PRAGMA synchronous=NORMAL") || !createTable(db))
        return false;
    if (const std::shared_ptr<fmdb::FMResultSet> mode = db.executeQuery("PRAGMA journal_mode=WAL")) {
        mode->next();
        mode->close();
    }
    return true;
}

bool RMTileCacheDAO::configureDBForFirstUse()
{
    return createTable(*db_);
}

bool RMTileCacheDAO::createTable(fmdb::FMDatabase& db)
{
    if (!db.executeUpdate(
            "CREATE TABLE IF NOT EXISTS ZCACHE (ztileHash INTEGER PRIMARY KEY, zlastUsed DOUBLE, "
            "zdata BLOB, zexpires DOUBLE, zetag TEXT, zlastModified TEXT)"))
        return false;
    // Counting and purging walk this small index instead of the table. A
    // foreign table without the column is reported by the statements that
    // need it.
    db.executeUpdate("CREATE INDEX IF NOT EXISTS ZCACHE_ZLASTUSED ON ZCACHE (zlastUsed)");
    const std::optional<int> version = schemaVersion(db);
    if (!version)
        return false;
    if (*version >= kSchemaVersion)
        return true;
    // A table made before the layout had a version may lack the freshness
    // columns.
    const std::set<std::string> columns = columnsOf(db);
    for (const auto& [name, type] : kFreshnessColumns) {
        if (!columns.contains(name)
            && !db.executeUpdate(fmt::format("ALTER TABLE ZCACHE ADD COLUMN {} {}", name, type)))
            return false;
    }
    return db.executeUpdate(fmt::format("PRAGMA user_version={}", kSchemaVersion));
}

bool RMTileCacheDAO::ready(bool store)
{
    if (isDamaged() || (store && readOnly_) || now() < (store ? storesPausedUntil_ : readsPausedUntil_))
        return false;
    if (!setUp_) {
        setUp_ = setUpConnection(*db_);
        noteOutcome(db_->lastErrorCode(), false);
    }
    return setUp_;
}

void RMTileCacheDAO::noteOutcome(int code, bool store)
{
    if (isDamage(code) && damage_.empty())
        damage_ = db_->lastErrorMessage();
    if (code == SQLITE_BUSY) {
        // Waiting once was enough: until the lock is gone, try once.
        locked_ = true;
        db_->setBusyRetryTimeout(-1);
        storesPausedUntil_ = now() + kLockedPause;
        if (!store)
            readsPausedUntil_ = storesPausedUntil_;
    } else if (store && locked_ && code == SQLITE_OK) {
        locked_ = false;
        db_->setBusyRetryTimeout(kBusyRetries);
    }
}

std::uint32_t RMTileCacheDAO::count()
{
    if (!ready(false))
        return 0;
    const std::shared_ptr<fmdb::FMResultSet> results
        = db_->executeQuery("SELECT COUNT(ztileHash) FROM ZCACHE");
    std::uint32_t rows = 0;
    if (results && results->next())
        rows = static_cast<std::uint32_t>(results->intForColumnIndex(0));
    else
        base::log("Unable to count columns");
    noteOutcome(db_->lastErrorCode(), false);
    if (results)
        results->close();
    return rows;
}

std::optional<RMStoredTile> RMTileCacheDAO::storedTile(std::uint64_t tileKey)
{
    if (!ready(false))
        return std::nullopt;
    const std::shared_ptr<fmdb::FMResultSet> results = db_->executeQuery(
        !readOnly_ || hasFreshnessColumns_ ? kStoredTileQuery : kOldStoredTileQuery, tileKey);
    if (db_->hadError()) {
        base::logf("DB error while fetching tile data: {}", db_->lastErrorMessage());
        noteOutcome(db_->lastErrorCode(), false);
        return std::nullopt;
    }
    std::optional<RMStoredTile> tile;
    if (results && results->next()) {
        if (std::optional<fmdb::FMBytes> bytes = results->dataForColumnIndex(0)) {
            tile = RMStoredTile { platform::Data(std::move(*bytes)),
                platform::HttpFreshness { results->doubleForColumnIndex(1),
                    results->stringForColumnIndex(2).value_or(""),
                    results->stringForColumnIndex(3).value_or("") } };
        }
    } else if (db_->hadError()) {
        // A prepared statement meets most errors (a damaged file, a table
        // dropped by another program) only when it runs.
        base::logf("DB error while fetching tile data: {}", db_->lastErrorMessage());
    }
    noteOutcome(db_->lastErrorCode(), false);
    if (results)
        results->close();
    return tile;
}

void RMTileCacheDAO::purgeTiles(std::uint32_t count)
{
    if (!ready(true))
        return;
    base::logf("purging {} old tiles from db cache", count);
    if (!db_->executeUpdate("DELETE FROM ZCACHE WHERE ztileHash IN (SELECT ztileHash FROM ZCACHE ORDER BY "
                            "zlastUsed LIMIT ? )",
            count))
        base::log("Error purging cache");
    noteOutcome(db_->lastErrorCode(), true);
}

void RMTileCacheDAO::removeAllCachedImages()
{
    if (!ready(true))
        return;
    if (!db_->executeUpdate("DELETE FROM ZCACHE"))
        base::log("Error purging all cache");
    noteOutcome(db_->lastErrorCode(), true);
}

void RMTileCacheDAO::touchTileWithDate(std::uint64_t tileKey, double date)
{
    if (!ready(true))
        return;
    if (!db_->executeUpdate(
            "UPDATE ZCACHE SET zlastUsed = ? WHERE ztileHash = ? ", dateFromSeconds(date), tileKey))
        base::log("Error touching tile");
    noteOutcome(db_->lastErrorCode(), true);
}

void RMTileCacheDAO::addDataLastUsedForTile(const platform::Data& data, double lastUsed,
    std::uint64_t tileKey, const std::optional<platform::HttpFreshness>& freshness)
{
    if (!ready(true))
        return;
    if (!db_->executeUpdate("INSERT OR IGNORE INTO ZCACHE (ztileHash, zlastUsed, zdata, zexpires, zetag, "
                            "zlastModified) VALUES (?, ?, ?, ?, ?, ?)",
            tileKey, dateFromSeconds(lastUsed), bytesOf(data), expiresOrNull(freshness),
            textOrNull(freshness ? freshness->etag : ""),
            textOrNull(freshness ? freshness->lastModified : "")))
        base::log("Error occured adding data");
    noteOutcome(db_->lastErrorCode(), true);
}

bool RMTileCacheDAO::refreshTile(
    std::uint64_t tileKey, const platform::HttpFreshness& freshness, const platform::Data* data)
{
    if (!ready(true))
        return false;
    const bool done = data
        ? db_->executeUpdate(
            "UPDATE ZCACHE SET zdata = ?, zexpires = ?, zetag = ?, zlastModified = ? WHERE ztileHash = ?",
            bytesOf(*data), freshness.expires, textOrNull(freshness.etag), textOrNull(freshness.lastModified),
            tileKey)
        : db_->executeUpdate(
            "UPDATE ZCACHE SET zexpires = ?, zetag = ?, zlastModified = ? WHERE ztileHash = ?",
            freshness.expires, textOrNull(freshness.etag), textOrNull(freshness.lastModified), tileKey);
    if (!done)
        base::log("Error refreshing tile");
    noteOutcome(db_->lastErrorCode(), true);
    return done && db_->changes() > 0;
}

void RMTileCacheDAO::removeTile(std::uint64_t tileKey)
{
    if (!ready(true))
        return;
    if (!db_->executeUpdate("DELETE FROM ZCACHE WHERE ztileHash = ?", tileKey))
        base::log("Error removing tile");
    noteOutcome(db_->lastErrorCode(), true);
}

std::string RMTileCacheDAO::description() const
{
    return RMObjectDescription("RMTileCacheDAO", this);
}
