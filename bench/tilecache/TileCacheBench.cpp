// The tile database cache: a hit (the bytes read, not decoded) and a store
// into a full default cache (1000 rows, capacity 1000, minimal purge 100,
// count and purge included), against the same statements in bare SQLite
// prepared once, with SQLite's defaults and with write-ahead logging and the
// zlastUsed index (the limit). Then a 1920 x 1080 screen of tiles (8 x 5)
// filled through the whole chain from a loopback tile server, cold (server,
// response cache and database all empty) and warm (fresh chain objects on
// the database of a cold fill), beside the cost of decoding those tiles,
// and cold from a server that takes 50 ms a tile, two connections at a time
// against six.
#include "BenchmarkMain.h"
#include "FMDatabase.h"
#include "HostRequestQueue.h"
#include "Image.h"
#include "Layer.h"
#include "NetworkAccess.h"
#include "NotificationCenter.h"
#include "RMCachedTileSource.h"
#include "RMConfiguration.h"
#include "RMDatabaseCache.h"
#include "RMMapContents.h"
#include "RMNotifications.h"
#include "RMOpenStreetMapSource.h"
#include "RMTileCacheDAO.h"
#include "RMTileImage.h"
#include "ResponseCache.h"
#include "RunLoop.h"
#include "ScratchFolder.h"
#include "TileArt.h"
#include "TileServer.h"

#include <QImage>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kRows = 1000;
constexpr std::uint32_t kMinimalPurge = 100;
constexpr int kScreenColumns = 8; // 1920 / 256, rounded up
constexpr int kScreenRows = 5; // 1080 / 256, rounded up
constexpr int kScreenZoom = 12;

// A new empty folder for each use, all below one scratch folder that goes
// when the program ends.
std::string newScratchFolder()
{
    static const vantry::test::ScratchFolder scratch("bench-tilecache");
    static int next = 0;
    const std::string path = scratch.file(std::to_string(next++));
    std::filesystem::create_directories(path);
    return path;
}

// A 256-pixel PNG tile of about 15 kB (the size of a street tile): the
// test tile with a patch of noise that does not compress.
const platform::Data& tileBytes()
{
    static const platform::Data bytes = [] {
        std::mt19937 random(7);
        QImage picture = vantry::tileart::makeTileImage(12, 2200, 1340);
        for (int y = 0; y < 70; ++y) {
            for (int x = 0; x < 70; ++x)
                picture.setPixel(x + 93, y + 93, static_cast<QRgb>(random()) | 0xff000000u);
        }
        return vantry::tileart::encodePng(picture);
    }();
    return bytes;
}

RMTile tileNumber(std::uint32_t i)
{
    return RMTile { i % 4096, i / 4096, 16 };
}

void check(int status, sqlite3* db)
{
    if (status != SQLITE_OK && status != SQLITE_DONE && status != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

void execute(sqlite3* db, const char* sql)
{
    check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), db);
}

// The tile table in bare SQLite, with the same statements prepared once.
class RawTable {
public:
    RawTable(const std::string& path, bool walAndIndex)
    {
        check(sqlite3_open(path.c_str(), &db_), db_);
        if (walAndIndex)
            execute(db_, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
        execute(db_,
            "CREATE TABLE IF NOT EXISTS ZCACHE (ztileHash INTEGER PRIMARY KEY, zlastUsed DOUBLE, zdata "
            "BLOB)");
        if (walAndIndex)
            execute(db_, "CREATE INDEX IF NOT EXISTS ZCACHE_ZLASTUSED ON ZCACHE (zlastUsed)");
        prepare("SELECT zdata FROM ZCACHE WHERE ztilehash = ?", &select_);
        prepare("SELECT COUNT(ztileHash) FROM ZCACHE", &count_);
        prepare("DELETE FROM ZCACHE WHERE ztileHash IN (SELECT ztileHash FROM ZCACHE ORDER BY zlastUsed "
                "LIMIT ? )",
            &purge_);
        prepare("INSERT OR IGNORE INTO ZCACHE (ztileHash, zlastUsed, zdata) VALUES (?, ?, ?)", &insert_);
    }
    ~RawTable()
    {
        for (sqlite3_stmt* statement : { select_, count_, purge_, insert_ })
            sqlite3_finalize(statement);
        sqlite3_close(db_);
    }

    std::vector<std::uint8_t> lookup(std::uint64_t key)
    {
        sqlite3_bind_int64(select_, 1, static_cast<sqlite3_int64>(key));
        std::vector<std::uint8_t> bytes;
        if (sqlite3_step(select_) == SQLITE_ROW) {
            const auto* blob = static_cast<const std::uint8_t*>(sqlite3_column_blob(select_, 0));
            bytes.assign(blob, blob + sqlite3_column_bytes(select_, 0));
        }
        sqlite3_reset(select_);
        return bytes;
    }
    std::uint32_t count()
    {
        sqlite3_step(count_);
        const auto rows = static_cast<std::uint32_t>(sqlite3_column_int(count_, 0));
        sqlite3_reset(count_);
        return rows;
    }
    void purge(std::uint32_t rows)
    {
        sqlite3_bind_int64(purge_, 1, rows);
        check(sqlite3_step(purge_), db_);
        sqlite3_reset(purge_);
    }
    void insert(std::uint64_t key, double lastUsed, const platform::Data& data)
    {
        sqlite3_bind_int64(insert_, 1, static_cast<sqlite3_int64>(key));
        sqlite3_bind_double(insert_, 2, lastUsed);
        sqlite3_bind_blob(insert_, 3, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
        check(sqlite3_step(insert_), db_);
        sqlite3_reset(insert_);
    }
    // What the database cache does with one tile's bytes.
    void store(std::uint64_t key, double lastUsed, const platform::Data& data)
    {
        const std::uint32_t rows = count();
        if (rows >= kRows)
            purge(std::max(rows - kRows + 1, kMinimalPurge));
        insert(key, lastUsed, data);
    }
    void fill()
    {
        execute(db_, "BEGIN");
        for (std::uint32_t i = 0; i < kRows; ++i)
            insert(RMTileKey(tileNumber(i)), i, tileBytes());
        execute(db_, "COMMIT");
    }

private:
    void prepare(const char* sql, sqlite3_stmt** statement)
    {
        check(sqlite3_prepare_v2(db_, sql, -1, statement, nullptr), db_);
    }

    sqlite3* db_ = nullptr;
    sqlite3_stmt* select_ = nullptr;
    sqlite3_stmt* count_ = nullptr;
    sqlite3_stmt* purge_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
};

// A default database cache (capacity 1000, FIFO, minimal purge 100) holding
// 1000 rows.
std::unique_ptr<RMDatabaseCache> fullDatabaseCache()
{
    const std::string path = newScratchFolder() + "/MapBench.sqlite";
    {
        RawTable table(path, false);
        table.fill();
    }
    std::unique_ptr<RMDatabaseCache> cache = RMDatabaseCache::createWithDatabase(path);
    cache->setCapacity(kRows);
    cache->setPurgeStrategy(RMCachePurgeStrategy::FIFO);
    cache->setMinimalPurge(kMinimalPurge);
    return cache;
}

void BM_Hit_RawSqlite(benchmark::State& state)
{
    RawTable table(newScratchFolder() + "/MapRaw.sqlite", true);
    table.fill();
    std::uint32_t i = 0;
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes = table.lookup(RMTileKey(tileNumber(i++ % kRows)));
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_Hit_RawSqlite);

void BM_Hit_TileCacheDAO(benchmark::State& state)
{
    const std::unique_ptr<RMDatabaseCache> cache = fullDatabaseCache();
    std::uint32_t i = 0;
    for (auto _ : state) {
        std::optional<RMStoredTile> tile = cache->dao()->storedTile(RMTileKey(tileNumber(i++ % kRows)));
        benchmark::DoNotOptimize(tile->data.data());
    }
}
BENCHMARK(BM_Hit_TileCacheDAO);

// cachedImage: the bytes are read and decoded (a row that is not a picture
// would be deleted), and a new tile image made of them, then dropped.
void BM_Hit_DatabaseCache(benchmark::State& state)
{
    const std::unique_ptr<RMDatabaseCache> cache = fullDatabaseCache();
    cache->setPurgeStrategy(static_cast<RMCachePurgeStrategy>(state.range(0)));
    std::uint32_t i = 0;
    for (auto _ : state) {
        std::shared_ptr<RMTileImage> image = cache->cachedImage(tileNumber(i++ % kRows));
        if (!image)
            throw std::runtime_error("a stored tile was missed");
        benchmark::DoNotOptimize(image.get());
    }
}
BENCHMARK(BM_Hit_DatabaseCache)->ArgName("strategy")->Arg(1)->Arg(0)->UseRealTime();

// Count, purge when full, insert: 0 with SQLite's defaults (rollback
// journal, synchronous FULL, no index), 1 with write-ahead logging,
// synchronous NORMAL and the zlastUsed index.
void BM_Store_RawSqlite(benchmark::State& state)
{
    RawTable table(newScratchFolder() + "/MapRaw.sqlite", state.range(0) != 0);
    table.fill();
    std::uint32_t i = kRows;
    for (auto _ : state) {
        table.store(RMTileKey(tileNumber(i)), i, tileBytes());
        ++i;
    }
}
BENCHMARK(BM_Store_RawSqlite)->ArgName("wal_index")->Arg(0)->Arg(1)->UseRealTime();

// The database cache storing an image's bytes on "MapImageLoaded" (the
// picture is applied beforehand, so decoding is not counted).
void BM_Store_DatabaseCache(benchmark::State& state)
{
    const std::unique_ptr<RMDatabaseCache> cache = fullDatabaseCache();
    const platform::Image picture = platform::Image::fromData(vantry::test::TileServer::tileData(1, 0, 0));
    const platform::UserInfo userInfo { { std::string(RMMapImageDataKey), tileBytes() } };
    std::uint32_t i = kRows;
    for (auto _ : state) {
        state.PauseTiming();
        const std::shared_ptr<RMTileImage> image = RMTileImage::dummyTile(tileNumber(i++));
        cache->addTileWithImage(image->tile(), image);
        image->makeLayer();
        image->layer()->setContents(picture);
        state.ResumeTiming();
        platform::NotificationCenter::defaultCenter().postNotification(
            RMMapImageLoadedNotification, image->notificationObject(), userInfo);
    }
}
BENCHMARK(BM_Store_DatabaseCache)->UseRealTime();

std::vector<RMTile> screenTiles()
{
    std::vector<RMTile> tiles;
    for (int x = 0; x < kScreenColumns; ++x) {
        for (int y = 0; y < kScreenRows; ++y)
            tiles.push_back(RMTile {
                static_cast<std::uint32_t>(2200 + x), static_cast<std::uint32_t>(1340 + y), kScreenZoom });
    }
    return tiles;
}

vantry::test::TileServer& server()
{
    static vantry::test::TileServer shared;
    return shared;
}

// Points the documents folder and the response cache at new empty folders.
void freshFolders()
{
    setenv("XDG_DATA_HOME", newScratchFolder().c_str(), 1);
    platform::ResponseCache::shared().setDirectory(newScratchFolder());
}

void fillScreen()
{
    const std::shared_ptr<RMCachedTileSource> source
        = RMCachedTileSource::cachedTileSourceWithSourceConfiguration(
            std::make_shared<RMOpenStreetMapSource>(), RMConfiguration(std::nullopt));
    std::vector<std::shared_ptr<RMTileImage>> images;
    for (const RMTile tile : screenTiles())
        images.push_back(source->tileImage(tile));
    const bool loaded = platform::RunLoop::runUntil(
        [&] { return std::ranges::all_of(images, [](const auto& image) { return image->isLoaded(); }); }, 60);
    if (!loaded)
        throw std::runtime_error("the screen was not filled");
}

void BM_ScreenFill_Cold(benchmark::State& state)
{
    RMOpenStreetMapSource::setTileHost("127.0.0.1:" + std::to_string(server().port()));
    for (auto _ : state) {
        state.PauseTiming();
        freshFolders();
        state.ResumeTiming();
        fillScreen();
    }
    state.counters["tiles"] = kScreenColumns * kScreenRows;
}
BENCHMARK(BM_ScreenFill_Cold)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

void BM_ScreenFill_WarmFromDatabase(benchmark::State& state)
{
    RMOpenStreetMapSource::setTileHost("127.0.0.1:" + std::to_string(server().port()));
    freshFolders();
    fillScreen();
    for (auto _ : state) {
        state.PauseTiming();
        // Nothing from the response cache: every tile comes from the database.
        platform::ResponseCache::shared().setDirectory(newScratchFolder());
        state.ResumeTiming();
        fillScreen();
    }
    state.counters["tiles"] = kScreenColumns * kScreenRows;
}
BENCHMARK(BM_ScreenFill_WarmFromDatabase)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

vantry::test::TileServer& slowServer()
{
    static vantry::test::TileServer shared;
    shared.setDelay(0.05);
    return shared;
}

// A cold fill from a server that takes 50 ms for every tile, with at most
// state.range(0) requests (connections) to it at a time.
void BM_ScreenFill_SlowServer(benchmark::State& state)
{
    RMOpenStreetMapSource::setTileHost("127.0.0.1:" + std::to_string(slowServer().port()));
    platform::HostRequestQueue& requests = platform::NetworkAccess::requests();
    requests.setLimitPerHost(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        freshFolders();
        state.ResumeTiming();
        fillScreen();
    }
    requests.setLimitPerHost(platform::NetworkAccess::kDefaultConnectionsPerHost);
    state.counters["tiles"] = kScreenColumns * kScreenRows;
}
BENCHMARK(BM_ScreenFill_SlowServer)
    ->ArgName("connections")
    ->Arg(2)
    ->Arg(6)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2);

// Decoding the screen's 40 tiles, as the server sends them.
void BM_DecodeScreenTiles(benchmark::State& state)
{
    std::vector<platform::Data> tiles;
    for (const RMTile tile : screenTiles())
        tiles.push_back(vantry::test::TileServer::tileData(
            tile.zoom, static_cast<int>(tile.x), static_cast<int>(tile.y)));
    for (auto _ : state) {
        for (const platform::Data& bytes : tiles)
            benchmark::DoNotOptimize(platform::Image::fromData(bytes));
    }
    state.counters["tiles"] = static_cast<double>(tiles.size());
}
BENCHMARK(BM_DecodeScreenTiles)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return vantry::bench::runBenchmarks(argc, argv,
        {
            { "hit through the tile database's access object beside raw SQLite", "BM_Hit_TileCacheDAO", 0,
                "BM_Hit_RawSqlite" },
            { "store through the database cache beside raw SQLite (WAL, index)",
                "BM_Store_DatabaseCache/real_time", 0, "BM_Store_RawSqlite/wal_index:1/real_time" },
            { "40 tiles at 50 ms each: 2 connections beside 6",
                "BM_ScreenFill_SlowServer/connections:2/min_time:2.000/real_time", 0,
                "BM_ScreenFill_SlowServer/connections:6/min_time:2.000/real_time" },
        });
}
