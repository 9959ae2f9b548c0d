#include "RMTileCacheDAO.h"

#include "FMDatabase.h"
#include "FMResultSet.h"
#include "Log.h"
#include "RMTrace.h"

#include <chrono>

namespace {

fmdb::FMDate dateFromSeconds(double secondsSince1970)
{
    return fmdb::FMDate(std::chrono::duration<double>(secondsSince1970));
}

fmdb::FMBytes bytesOf(const platform::Data& data)
{
    return fmdb::FMBytes(data.data(), data.data() + data.size());
}

} // namespace

std::unique_ptr<RMTileCacheDAO> RMTileCacheDAO::createWithDatabase(const std::string& path)
{
    platform::logf("Opening database at {}", path);
    auto db = std::make_shared<fmdb::FMDatabase>(path);
    if (!db->open()) {
        platform::logf("Could not connect to database - {}", db->lastErrorMessage());
        return nullptr;
    }
    db->setCrashOnErrors(true);
    // Every statement runs on each hit or store: prepared once.
    db->setShouldCacheStatements(true);
    // SQLite opens any file lazily; a file that is not a database (or whose
    // schema is damaged) shows itself at the first statement.
    if (!setUpConnection(*db)) {
        platform::logf("Could not connect to database - {}", db->lastErrorMessage());
        return nullptr;
    }
    return std::unique_ptr<RMTileCacheDAO>(new RMTileCacheDAO(std::move(db)));
}

RMTileCacheDAO::RMTileCacheDAO(std::shared_ptr<fmdb::FMDatabase> db)
    : db_(std::move(db))
{ }

RMTileCacheDAO::~RMTileCacheDAO()
{
    RM_LOG_METHOD_CALL("dealloc", description());
}

bool RMTileCacheDAO::setUpConnection(fmdb::FMDatabase& db)
{
    if (!db.executeUpdate("PRAGMA synchronous=NORMAL") || !createTable(db))
        return false;
    // Write-ahead logging needs the file writable; a read-only file keeps
    // its journal mode and is still read.
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
            "zdata BLOB)"))
        return false;
    // Counting and purging walk this small index instead of the table. A
    // read-only file without it is still read.
    db.executeUpdate("CREATE INDEX IF NOT EXISTS ZCACHE_ZLASTUSED ON ZCACHE (zlastUsed)");
    return true;
}

std::uint32_t RMTileCacheDAO::count()
{
    const std::shared_ptr<fmdb::FMResultSet> results
        = db_->executeQuery("SELECT COUNT(ztileHash) FROM ZCACHE");
    std::uint32_t rows = 0;
    if (results && results->next())
        rows = static_cast<std::uint32_t>(results->intForColumnIndex(0));
    else
        platform::log("Unable to count columns");
    if (results)
        results->close();
    return rows;
}

std::optional<platform::Data> RMTileCacheDAO::dataForTile(std::uint64_t tileKey)
{
    const std::shared_ptr<fmdb::FMResultSet> results
        = db_->executeQuery("SELECT zdata FROM ZCACHE WHERE ztilehash = ?", tileKey);
    if (db_->hadError()) {
        platform::logf("DB error while fetching tile data: {}", db_->lastErrorMessage());
        return std::nullopt;
    }
    std::optional<platform::Data> data;
    if (results && results->next()) {
        if (std::optional<fmdb::FMBytes> bytes = results->dataForColumnIndex(0))
            data = platform::Data(std::move(*bytes));
    } else if (db_->hadError()) {
        // A prepared statement meets most errors (a damaged file, a table
        // dropped by another program) only when it runs.
        platform::logf("DB error while fetching tile data: {}", db_->lastErrorMessage());
    }
    if (results)
        results->close();
    return data;
}

void RMTileCacheDAO::purgeTiles(std::uint32_t count)
{
    platform::logf("purging {} old tiles from db cache", count);
    if (!db_->executeUpdate("DELETE FROM ZCACHE WHERE ztileHash IN (SELECT ztileHash FROM ZCACHE ORDER BY "
                            "zlastUsed LIMIT ? )",
            count))
        platform::log("Error purging cache");
}

void RMTileCacheDAO::removeAllCachedImages()
{
    if (!db_->executeUpdate("DELETE FROM ZCACHE"))
        platform::log("Error purging all cache");
}

void RMTileCacheDAO::touchTileWithDate(std::uint64_t tileKey, double date)
{
    if (!db_->executeUpdate(
            "UPDATE ZCACHE SET zlastUsed = ? WHERE ztileHash = ? ", dateFromSeconds(date), tileKey))
        platform::log("Error touching tile");
}

void RMTileCacheDAO::addDataLastUsedForTile(
    const platform::Data& data, double lastUsed, std::uint64_t tileKey)
{
    if (!db_->executeUpdate("INSERT OR IGNORE INTO ZCACHE (ztileHash, zlastUsed, zdata) VALUES (?, ?, ?)",
            tileKey, dateFromSeconds(lastUsed), bytesOf(data)))
        platform::log("Error occured adding data");
}

std::string RMTileCacheDAO::description() const
{
    return RMObjectDescription("RMTileCacheDAO", this);
}
