#pragma once

#include "Data.h"
#include "HttpFreshness.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace fmdb {
class FMDatabase;
}

// One tile row: the bytes exactly as downloaded and how long they are good.
struct RMStoredTile {
    platform::Data data;
    platform::HttpFreshness freshness;
};

// The table access of the tile database: one open connection and every
// statement on the table
//   ZCACHE (ztileHash INTEGER PRIMARY KEY, zlastUsed DOUBLE, zdata BLOB,
//           zexpires DOUBLE, zetag TEXT, zlastModified TEXT)
// keyed by RMTileKey, with times in seconds since 1970 and the tile's bytes
// exactly as downloaded. Files of older versions lack the last three
// columns, which are added when such a file is opened (any SQLite 3 reads
// it as before); their rows expire a week after their last use.
//
// The connection runs with write-ahead logging and synchronous=NORMAL (a
// power loss may cost the last tiles stored, never the file's consistency),
// and the table has an index on zlastUsed for counting and purging.
// Failures are logged and answered with nothing; besides:
// - A file another program holds locked is waited for about two seconds
//   (kBusyRetries pauses of kBusyPause). When that runs out, the statement
//   fails (a read is a miss, a store is skipped), the file is left alone
//   for kLockedPause seconds (reads are misses, stores skipped, silently),
//   and later statements try once without waiting until a store gets
//   through again.
// - A file that cannot be written (a read-only file or folder) is opened
//   read-only: its tiles are read, nothing is stored, and that is logged
//   once.
// - A statement that meets a damaged file (SQLITE_CORRUPT, SQLITE_NOTADB)
//   marks the connection damaged (isDamaged); the owner replaces the file.
class RMTileCacheDAO {
public:
    static constexpr int kBusyRetries = 400;
    static constexpr double kBusyPause = 0.005; // seconds
    static constexpr double kLockedPause = 10; // seconds
    // The table's layout, kept in the file's user_version: 1 has the
    // freshness columns (zexpires, zetag, zlastModified). Files written before
    // the layout had a version (0) may lack them; they are brought up to date
    // (or, read-only, read without them).
    static constexpr int kSchemaVersion = 1;

    // Logs "Opening database at <path>", opens the file and prepares the
    // table. A file that cannot be opened or holds no usable database gives
    // null after "Could not connect to database - <SQLite's message>";
    // `damage` then gets that message if the file is damaged (or no
    // database), else is emptied.
    static std::unique_ptr<RMTileCacheDAO> createWithDatabase(
        const std::string& path, std::string* damage = nullptr);
    // Logs the method-trace line and closes the connection.
    ~RMTileCacheDAO();
    RMTileCacheDAO(const RMTileCacheDAO&) = delete;
    RMTileCacheDAO& operator=(const RMTileCacheDAO&) = delete;

    // What connections made from now on do between two tries of a locked
    // file: a kBusyPause sleep unless replaced (tests count the retries);
    // null restores the sleep.
    static void setBusyRetryPause(std::function<void()> pause);

    // Creates the table (with its index and every column) when missing;
    // whether the table is usable.
    bool configureDBForFirstUse();
    // The number of rows; 0 after "Unable to count columns".
    std::uint32_t count();
    // The stored row of the tile key; nothing for a miss, and after
    // "DB error while fetching tile data: <message>".
    std::optional<RMStoredTile> storedTile(std::uint64_t tileKey);
    // Removes the `count` rows with the smallest last-use times; logs
    // "purging <count> old tiles from db cache".
    void purgeTiles(std::uint32_t count);
    void removeAllCachedImages();
    // Sets the row's last-use time (seconds since 1970).
    void touchTileWithDate(std::uint64_t tileKey, double date);
    // Stores a row unless the key has one already (which is left unchanged).
    void addDataLastUsedForTile(const platform::Data& data, double lastUsed, std::uint64_t tileKey,
        const std::optional<platform::HttpFreshness>& freshness = std::nullopt);
    // Gives the row new freshness and, when given, new bytes; false when
    // the key has no row.
    bool refreshTile(
        std::uint64_t tileKey, const platform::HttpFreshness& freshness, const platform::Data* data);
    // Deletes the row of the tile key.
    void removeTile(std::uint64_t tileKey);

    bool isReadOnly() const { return readOnly_; }
    bool isDamaged() const { return !damage_.empty(); }
    // SQLite's message for the damage found; empty while none was.
    const std::string& damage() const { return damage_; }
    fmdb::FMDatabase& database() { return *db_; }
    // "<RMTileCacheDAO: 0x…>"
    std::string description() const;

private:
    RMTileCacheDAO(std::shared_ptr<fmdb::FMDatabase> db, bool readOnly);
    static bool setUpConnection(fmdb::FMDatabase& db);
    static bool createTable(fmdb::FMDatabase& db);
    static std::unique_ptr<RMTileCacheDAO> openReadOnly(const std::string& path, const std::string& reason);
    // Whether reads (or stores) may use the connection now; sets the table
    // up first if a lock stopped that before.
    bool ready(bool store);
    // Notes what the last statement met (SQLite's result `code`): a lock,
    // damage, or a store that got through.
    void noteOutcome(int code, bool store);

    std::shared_ptr<fmdb::FMDatabase> db_;
    bool readOnly_ = false;
    // A read-only file of layout 0 may lack the freshness columns.
    bool hasFreshnessColumns_ = true;
    bool setUp_ = true;
    std::string damage_;
    // Whether the last statements met a lock; until a store gets through,
    // statements try once.
    bool locked_ = false;
    // Clock times before which the file is left alone.
    double readsPausedUntil_ = 0;
    double storesPausedUntil_ = 0;
};
