#pragma once

#include "Data.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace fmdb {
class FMDatabase;
}

// The table access of the tile database: one open connection and every
// statement on the table
//   ZCACHE (ztileHash INTEGER PRIMARY KEY, zlastUsed DOUBLE, zdata BLOB)
// keyed by RMTileKey, with last-use times in seconds since 1970 and the
// tile's bytes exactly as downloaded.
//
// The connection runs with write-ahead logging and synchronous=NORMAL (a
// power loss may cost the last tiles stored, never the file's consistency),
// and the table has an index on zlastUsed for counting and purging; any
// SQLite 3 reads the file. Failures are logged and answered with nothing.
class RMTileCacheDAO {
public:
    // Logs "Opening database at <path>", opens the file and prepares the
    // table. A file that cannot be opened or holds no usable database gives
    // null after "Could not connect to database - <SQLite's message>".
    static std::unique_ptr<RMTileCacheDAO> createWithDatabase(const std::string& path);
    // Logs the method-trace line and closes the connection.
    ~RMTileCacheDAO();
    RMTileCacheDAO(const RMTileCacheDAO&) = delete;
    RMTileCacheDAO& operator=(const RMTileCacheDAO&) = delete;

    // Creates the table (and its index) when missing; whether the table is
    // usable.
    bool configureDBForFirstUse();
    // The number of rows; 0 after "Unable to count columns".
    std::uint32_t count();
    // The stored bytes of the tile key; nothing for a miss, and after
    // "DB error while fetching tile data: <message>".
    std::optional<platform::Data> dataForTile(std::uint64_t tileKey);
    // Removes the `count` rows with the smallest last-use times; logs
    // "purging <count> old tiles from db cache".
    void purgeTiles(std::uint32_t count);
    void removeAllCachedImages();
    // Sets the row's last-use time (seconds since 1970).
    void touchTileWithDate(std::uint64_t tileKey, double date);
    // Stores a row unless the key has one already (which is left unchanged).
    void addDataLastUsedForTile(const platform::Data& data, double lastUsed, std::uint64_t tileKey);

    fmdb::FMDatabase& database() { return *db_; }
    // "<RMTileCacheDAO: 0x…>"
    std::string description() const;

private:
    explicit RMTileCacheDAO(std::shared_ptr<fmdb::FMDatabase> db);
    static bool setUpConnection(fmdb::FMDatabase& db);
    static bool createTable(fmdb::FMDatabase& db);

    std::shared_ptr<fmdb::FMDatabase> db_;
};
