#include "RMDatabaseCache.h"
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "LogCapture.h"
#include "ManualClock.h"
#include "MapTestPrinters.h"
#include "RMExpensiveOperations.h"
#include "RMTileCacheDAO.h"
#include "RMTileImage.h"
#include "SqliteFiles.h"
#include "TestImages.h"
#include "TilesTestSupport.h"
#include "TraceLines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fmt/format.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

using testing::ElementsAre;
using testing::EndsWith;
using testing::IsEmpty;
using testing::StartsWith;
using tiles::test::hex;
using tiles::test::ScratchHome;
using vantry::test::IsMethodTrace;
using vantry::test::LogCapture;
using vantry::test::ManualClock;
using vantry::test::runSqliteShell;

namespace {

RMTile tileAt(std::uint32_t x)
{
    return RMTile { x, 0, 10 };
}

platform::Data png(QColor color = Qt::blue)
{
    return vantry::test::encodePng(vantry::test::makeSolidImage(256, 256, color));
}

// A picture that does not compress, so storing it needs new pages.
platform::Data noisyPng()
{
    QImage image(256, 256, QImage::Format_RGB32);
    std::uint32_t state = 12345;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            image.setPixel(x, y, state >> 8);
        }
    return vantry::test::encodePng(image);
}

class RMDatabaseCacheTest : public testing::Test {
protected:
    RMDatabaseCacheTest()
    {
        cache_ = RMDatabaseCache::createWithDatabase(path_);
        EXPECT_THAT(log_.take(), ElementsAre("Opening database at " + path_));
    }
    ~RMDatabaseCacheTest() override
    {
        if (cache_ && cache_->dao()) {
            const std::string dao = cache_->dao()->description();
            cache_.reset();
            EXPECT_THAT(log_.take(), ElementsAre(IsMethodTrace("dealloc", dao)));
        }
    }

    void configure(std::uint32_t capacity, std::uint32_t minimalPurge, RMCachePurgeStrategy strategy)
    {
        cache_->setCapacity(capacity);
        cache_->setMinimalPurge(minimalPurge);
        cache_->setPurgeStrategy(strategy);
    }
    // Rows for tiles 1...count, tile i last used at time i.
    void fill(std::uint32_t count)
    {
        static const platform::Data row
            = vantry::test::encodePng(vantry::test::makeSolidImage(1, 1, Qt::gray));
        fmdb::FMDatabase& db = cache_->dao()->database();
        db.beginTransaction();
        for (std::uint32_t i = 1; i <= count; ++i)
            cache_->dao()->addDataLastUsedForTile(row, i, RMTileKey(tileAt(i)));
        db.commit();
    }
    // Offers a loading image of the tile to the cache, then gives it bytes.
    void store(RMTile tile, const platform::Data& bytes)
    {
        const auto image = RMTileImage::dummyTile(tile);
        cache_->addTileWithImage(tile, image);
        image->setImageToData(bytes);
    }
    std::string sql(const std::string& statement) { return runSqliteShell(path_, statement); }

    ScratchHome home_;
    ManualClock clock_ { 5000 };
    LogCapture log_;
    std::string path_ = home_.file("MapTest.sqlite");
    std::unique_ptr<RMDatabaseCache> cache_;
};

TEST_F(RMDatabaseCacheTest, FileHasTheTableAnIndexAndWriteAheadLogging)
{
    EXPECT_THAT(cache_->description(), testing::MatchesRegex("<RMDatabaseCache: 0x[0-9a-f]+>"));
    EXPECT_EQ(sql(".schema ZCACHE"),
        "CREATE TABLE ZCACHE (ztileHash INTEGER PRIMARY KEY, zlastUsed DOUBLE, zdata BLOB, zexpires DOUBLE, "
        "zetag TEXT, zlastModified TEXT);\n"
        "CREATE INDEX ZCACHE_ZLASTUSED ON ZCACHE (zlastUsed);\n");
    EXPECT_EQ(sql("PRAGMA user_version"), "1\n") << "the layout's version";
    EXPECT_EQ(sql("PRAGMA journal_mode"), "wal\n");
}

TEST_F(RMDatabaseCacheTest, StoredRowHoldsTheKeyTheLastUseTheExactBytesAndTheFreshness)
{
    configure(1000, 100, RMCachePurgeStrategy::FIFO);
    const RMTile tile { 1, 1, 1 };
    const platform::Data bytes = png();
    const auto image = RMTileImage::dummyTile(tile);
    image->setFreshness(platform::HttpFreshness { 9000, "\"v1\"", "Thu, 01 Jan 1970 00:00:01 GMT" });
    cache_->addTileWithImage(tile, image);
    image->setImageToData(bytes);

    EXPECT_EQ(
        sql("SELECT ztileHash, typeof(ztileHash), zlastUsed, typeof(zlastUsed), typeof(zdata), zexpires, "
            "zetag, zlastModified FROM ZCACHE"),
        "72057594306363393|integer|5000.0|real|blob|9000.0|\"v1\"|Thu, 01 Jan 1970 00:00:01 GMT\n");
    EXPECT_EQ(sql("SELECT hex(zdata) FROM ZCACHE"), hex(bytes) + "\n");
    EXPECT_EQ(cache_->awaitedImageCount(), 0u);
    const auto hit = cache_->cachedImage(tile);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->freshness(), image->freshness());
}

TEST_F(RMDatabaseCacheTest, FullDefaultCachePurgesAHundredOldestRowsBeforeStoring)
{
    configure(1000, 100, RMCachePurgeStrategy::FIFO);
    fill(1000);
    store(tileAt(5000), png());

    EXPECT_THAT(log_.take(), ElementsAre("purging 100 old tiles from db cache"));
    EXPECT_EQ(sql("SELECT COUNT(*), MIN(zlastUsed) FROM ZCACHE WHERE ztileHash != "
                  + std::to_string(RMTileKey(tileAt(5000)))),
        "900|101.0\n");
    EXPECT_EQ(cache_->dao()->count(), 901u);

    store(tileAt(5001), png());
    EXPECT_THAT(log_.take(), IsEmpty()) << "room for 99 more before the next purge";
}

struct PurgeCase {
    std::uint32_t capacity;
    std::uint32_t minimalPurge;
    std::uint32_t rows;
    std::vector<std::string> log;
    std::uint32_t rowsAfter;
};

TEST_F(RMDatabaseCacheTest, PurgeArithmetic)
{
    const std::vector<PurgeCase> cases {
        { 10, 1, 12, { "purging 3 old tiles from db cache" }, 10 },
        { 10, 5, 12, { "purging 5 old tiles from db cache" }, 8 },
        { 10, 1, 9, {}, 10 },
        { 10, 1, 10, { "purging 1 old tiles from db cache" }, 10 },
        { 0, 1, 12, {}, 13 },
    };
    for (const PurgeCase& test : cases) {
        SCOPED_TRACE(testing::Message() << "capacity " << test.capacity << ", minimal purge "
                                        << test.minimalPurge << ", rows " << test.rows);
        cache_->removeAllCachedImages();
        configure(test.capacity, test.minimalPurge, RMCachePurgeStrategy::FIFO);
        fill(test.rows);
        store(tileAt(9999), png());
        EXPECT_EQ(log_.take(), test.log);
        EXPECT_EQ(cache_->dao()->count(), test.rowsAfter);
    }
}

TEST_F(RMDatabaseCacheTest, OnlyALeastRecentlyUsedHitWithALimitRenewsTheRow)
{
    struct Case {
        std::uint32_t capacity;
        RMCachePurgeStrategy strategy;
        const char* lastUsed;
    };
    const Case cases[] = {
        { 1000, RMCachePurgeStrategy::LRU, "1.0\n5010.0\n3.0\n" },
        { 1000, RMCachePurgeStrategy::FIFO, "1.0\n2.0\n3.0\n" },
        { 0, RMCachePurgeStrategy::LRU, "1.0\n2.0\n3.0\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            testing::Message() << "capacity " << c.capacity << " strategy " << static_cast<int>(c.strategy));
        cache_->removeAllCachedImages();
        configure(c.capacity, 1, c.strategy);
        fill(3);
        clock_.advance(10);
        ASSERT_NE(cache_->cachedImage(tileAt(2)), nullptr);
        EXPECT_EQ(sql("SELECT zlastUsed FROM ZCACHE ORDER BY ztileHash"), c.lastUsed);
    }
}

TEST_F(RMDatabaseCacheTest, HitIsANewImageOfTheStoredBytes)
{
    configure(1000, 100, RMCachePurgeStrategy::FIFO);
    store(tileAt(1), png(Qt::green));
    const auto first = cache_->cachedImage(tileAt(1));
    const auto second = cache_->cachedImage(tileAt(1));
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->tile(), tileAt(1));
    EXPECT_TRUE(first->isLoaded());
    EXPECT_EQ(first->image().pixels().pixelColor(3, 3), QColor(Qt::green));
    EXPECT_EQ(cache_->cachedImage(tileAt(2)), nullptr);
}

TEST_F(RMDatabaseCacheTest, HitWhileSuspendedKeepsTheBytesPending)
{
    const tiles::test::ExpensiveOperationsRestorer restorer;
    configure(1000, 100, RMCachePurgeStrategy::FIFO);
    const platform::Data bytes = png();
    store(tileAt(1), bytes);
    RMExpensiveOperations::setAllowed(false);
    const auto hit = cache_->cachedImage(tileAt(1));
    EXPECT_FALSE(hit->isLoaded());
    ASSERT_TRUE(hit->dataPending().has_value());
    EXPECT_EQ(*hit->dataPending(), bytes);
    EXPECT_EQ(cache_->awaitedImageCount(), 0u) << "a hit is not stored again";
}

// A full disk costs the new tile only: stored tiles are still read, the
// image itself is unharmed and the cache takes tiles again once there is room.
TEST_F(RMDatabaseCacheTest, FullDiskLosesOnlyTheTileBeingStored)
{
    configure(1000, 100, RMCachePurgeStrategy::FIFO);
    store(tileAt(1), png(Qt::red));
    fmdb::FMDatabase& db = cache_->dao()->database();
    // PRAGMA answers a row, so it goes through a query.
    const auto pragma = [&db](const std::string& statement) {
        const std::shared_ptr<fmdb::FMResultSet> results = db.executeQuery(statement);
        const int value = results && results->next() ? results->intForColumnIndex(0) : -1;
        if (results)
            results->close();
        return value;
    };
    const int pageCount = pragma("PRAGMA page_count");
    ASSERT_GT(pageCount, 0);
    ASSERT_EQ(pragma(fmt::format("PRAGMA max_page_count = {}", pageCount)), pageCount);
    log_.take();

    const auto image = RMTileImage::dummyTile(tileAt(2));
    cache_->addTileWithImage(tileAt(2), image);
    image->setImageToData(noisyPng());

    EXPECT_THAT(log_.take(),
        ElementsAre("Error calling sqlite3_step (1: database or disk is full) SQLITE_ERROR",
            "DB Query: INSERT OR IGNORE INTO ZCACHE (ztileHash, zlastUsed, zdata, zexpires, zetag, "
            "zlastModified) VALUES (?, ?, ?, ?, ?, ?)",
            "Error occured adding data"));
    EXPECT_TRUE(image->isLoaded());
    EXPECT_EQ(cache_->cachedImage(tileAt(2)), nullptr);
    const auto stored = cache_->cachedImage(tileAt(1));
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->image().pixels().pixelColor(3, 3), QColor(Qt::red));

    pragma("PRAGMA max_page_count = 1073741823");
    store(tileAt(2), noisyPng());
    EXPECT_NE(cache_->cachedImage(tileAt(2)), nullptr);
}

TEST_F(RMDatabaseCacheTest, ExistingRowIsLeftInPlace)
{
    configure(1000, 100, RMCachePurgeStrategy::FIFO);
    const platform::Data first = png(Qt::red);
    store(tileAt(1), first);
    clock_.advance(30);
    store(tileAt(1), png(Qt::yellow));
    EXPECT_EQ(sql("SELECT zlastUsed, hex(zdata) FROM ZCACHE"), "5000.0|" + hex(first) + "\n");
}

TEST_F(RMDatabaseCacheTest, LoadedImageIsNeverWritten)
{
    configure(1000, 100, RMCachePurgeStrategy::FIFO);
    const auto loaded = RMTileImage::imageWithTileFromData(tileAt(1), png());
    cache_->addTileWithImage(tileAt(1), loaded);
    EXPECT_EQ(cache_->awaitedImageCount(), 0u);
    loaded->setImageToData(png());
    EXPECT_EQ(sql("SELECT COUNT(*) FROM ZCACHE"), "0\n");
}

// An error page or a body cut short, once stored, would stand for the tile
// in every later run.
TEST_F(RMDatabaseCacheTest, BytesThatAreNotAPictureAreNotStored)
{
    configure(1000, 100, RMCachePurgeStrategy::FIFO);
    store(tileAt(1), platform::Data::fromString("<html>502 Bad Gateway</html>"));
    const platform::Data whole = png();
    store(tileAt(2), whole.subdata(0, whole.size() / 2));
    EXPECT_EQ(sql("SELECT COUNT(*) FROM ZCACHE"), "0\n");
    EXPECT_EQ(cache_->awaitedImageCount(), 0u);
}

TEST_F(RMDatabaseCacheTest, ImagesThatDieUnloadedAreForgotten)
{
    configure(1000, 100, RMCachePurgeStrategy::FIFO);
    auto dying = RMTileImage::dummyTile(tileAt(1));
    cache_->addTileWithImage(tileAt(1), dying);
    dying.reset();
    EXPECT_EQ(cache_->awaitedImageCount(), 1u);
    const auto waiting = RMTileImage::dummyTile(tileAt(2));
    cache_->addTileWithImage(tileAt(2), waiting);
    EXPECT_EQ(cache_->awaitedImageCount(), 1u);
}

TEST_F(RMDatabaseCacheTest, ImageLoadedAfterTheCacheDiedReachesNothing)
{
    const auto image = RMTileImage::dummyTile(tileAt(1));
    cache_->addTileWithImage(tileAt(1), image);
    const std::string dao = cache_->dao()->description();
    cache_.reset();
    EXPECT_THAT(log_.take(), ElementsAre(IsMethodTrace("dealloc", dao)));
    image->setImageToData(png());
    EXPECT_TRUE(image->isLoaded());
}

TEST_F(RMDatabaseCacheTest, MemoryWarningClosesAndReopensTheFile)
{
    configure(1000, 100, RMCachePurgeStrategy::FIFO);
    store(tileAt(1), png());
    const std::string oldDao = cache_->dao()->description();

    cache_->didReceiveMemoryWarning();
    EXPECT_THAT(log_.take(),
        ElementsAre(IsMethodTrace("didReceiveMemoryWarning", cache_->description()),
            IsMethodTrace("dealloc", oldDao), "Opening database at " + path_));
    ASSERT_NE(cache_->dao(), nullptr);
    EXPECT_NE(cache_->cachedImage(tileAt(1)), nullptr);
    store(tileAt(2), png());
    EXPECT_EQ(cache_->dao()->count(), 2u);
}

TEST_F(RMDatabaseCacheTest, MemoryWarningWithoutPathKeepsTheConnection)
{
    RMTileCacheDAO* dao = cache_->dao();
    cache_->setDatabasePath("");
    cache_->didReceiveMemoryWarning();
    EXPECT_THAT(log_.take(),
        ElementsAre(IsMethodTrace("didReceiveMemoryWarning", cache_->description()),
            "unknown db path, unable to reinitialize dao!"));
    EXPECT_EQ(cache_->dao(), dao);
}

TEST_F(RMDatabaseCacheTest, FailedReopeningLeavesACacheThatHoldsNothing)
{
    configure(1000, 100, RMCachePurgeStrategy::FIFO);
    store(tileAt(1), png());
    const std::string oldDao = cache_->dao()->description();
    cache_->setDatabasePath(home_.file("missing-folder/MapTest.sqlite"));

    cache_->didReceiveMemoryWarning();
    EXPECT_THAT(log_.take(),
        ElementsAre(IsMethodTrace("didReceiveMemoryWarning", cache_->description()),
            IsMethodTrace("dealloc", oldDao),
            "Opening database at " + home_.file("missing-folder/MapTest.sqlite"),
            StartsWith("error opening!: "), StartsWith("Could not connect to database - ")));
    EXPECT_EQ(cache_->dao(), nullptr);
    EXPECT_EQ(cache_->cachedImage(tileAt(1)), nullptr);
    store(tileAt(2), png());
    cache_->removeAllCachedImages();
    EXPECT_THAT(log_.take(), IsEmpty());
}

// A read-only folder once dropped the whole cache, although every tile
// could be read.
TEST_F(RMDatabaseCacheTest, FileThatCannotBeWrittenIsReadAndNothingIsStored)
{
    configure(1000, 100, RMCachePurgeStrategy::FIFO);
    store(tileAt(1), png(Qt::red));
    const std::string dao = cache_->dao()->description();
    cache_.reset();
    log_.take();
    {
        const tiles::test::UnwritableFolder readOnly(home_, home_.path());
        cache_ = RMDatabaseCache::createWithDatabase(path_);
        ASSERT_NE(cache_, nullptr);
        EXPECT_THAT(log_.take(),
            testing::Contains("The tile database " + path_
                + " cannot be written (attempt to write a readonly database): its tiles are shown, new ones "
                  "are "
                  "not stored"));
        EXPECT_TRUE(cache_->dao()->isReadOnly());
        const auto hit = cache_->cachedImage(tileAt(1));
        ASSERT_NE(hit, nullptr);
        EXPECT_EQ(hit->image().pixels().pixelColor(3, 3), QColor(Qt::red));
        configure(1000, 100, RMCachePurgeStrategy::LRU);
        store(tileAt(2), png());
        EXPECT_NE(cache_->cachedImage(tileAt(1)), nullptr);
        EXPECT_THAT(log_.take(), IsEmpty()) << "said once";
        cache_.reset();
        log_.take();
    }
    EXPECT_EQ(sql("SELECT COUNT(*), MIN(zlastUsed) FROM ZCACHE"), "1|5000.0\n");
}

TEST_F(RMDatabaseCacheTest, StoredRowThatIsNotAPictureIsDeletedAndMissed)
{
    configure(1000, 100, RMCachePurgeStrategy::FIFO);
    cache_->dao()->addDataLastUsedForTile(
        platform::Data::fromString("<html>502</html>"), 1, RMTileKey(tileAt(1)));
    EXPECT_EQ(cache_->cachedImage(tileAt(1)), nullptr);
    EXPECT_THAT(log_.take(), ElementsAre("Removed a stored tile that is not a picture: 10/1/0"));
    EXPECT_EQ(sql("SELECT COUNT(*) FROM ZCACHE"), "0\n");
}

TEST(RMDatabaseCacheFileTest, ForeignTableIsReported)
{
    ScratchHome home;
    const std::string path = home.file("MapForeign.sqlite");
    runSqliteShell(path, "CREATE TABLE ZCACHE (other TEXT); CREATE TABLE t (zlastUsed);");
    LogCapture log;
    auto cache = RMDatabaseCache::createWithDatabase(path);
    ASSERT_NE(cache, nullptr) << "the table exists";
    cache->setCapacity(1000);
    cache->setMinimalPurge(100);
    log.take();
    EXPECT_EQ(cache->cachedImage(tileAt(1)), nullptr);
    EXPECT_THAT(log.take(), ElementsAre("DB error while fetching tile data: no such column: zdata"));
    cache.reset();
    log.take();
}

// A damaged file (or one that is no database) kept failing and being
// written for good. Only its tiles are lost: they come back from the server.
TEST(RMDatabaseCacheFileTest, DamagedFileIsMovedAsideAndANewOneBegun)
{
    ScratchHome home;
    const std::string path = home.file("MapDamaged.sqlite");
    const std::string damaged = "The tile database " + path + " is damaged (";
    const std::string movedAside = "; it was moved to " + path + ".corrupt and a new one begun";
    const auto damagePages = [&] {
        std::string rows;
        for (int i = 1; i <= 200; ++i)
            rows += "INSERT INTO ZCACHE VALUES (" + std::to_string(i) + ", " + std::to_string(i)
                + ", randomblob(3000));";
        runSqliteShell(path,
            "BEGIN; CREATE TABLE ZCACHE (ztileHash INTEGER PRIMARY KEY, zlastUsed DOUBLE, zdata BLOB);"
            "CREATE INDEX ZCACHE_ZLASTUSED ON ZCACHE (zlastUsed);"
                + rows + "COMMIT;");
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        // Page headers of the table's and the index's b-trees (pages 2 on).
        for (std::streamoff page = 1; page < 120; page += 3) {
            file.seekp(page * 4096);
            file.write("\x07\xff\xff\xff\x01\x02\x03\x04 damaged damaged damaged", 32);
        }
    };
    const struct {
        const char* what;
        std::function<void()> make;
        const char* damage;
    } cases[] = {
        { "damaged pages, found by a read", damagePages, "database disk image is malformed" },
        { "no database, found when opened", [&] { tiles::test::writeFile(path, std::string(4096, 'x')); },
            "file is not a database" },
    };
    for (const auto& [what, make, damage] : cases) {
        SCOPED_TRACE(what);
        std::filesystem::remove(path);
        make();
        const platform::Data original = tiles::test::readFile(path);
        LogCapture log;
        auto cache = RMDatabaseCache::createWithDatabase(path);
        ASSERT_NE(cache, nullptr);
        cache->setCapacity(100);
        cache->setMinimalPurge(10);
        for (std::uint32_t key = 1; key <= 200 && !std::filesystem::exists(path + ".corrupt"); ++key)
            cache->cachedImage(RMTile { key >> 28, key & 0x0FFFFFFF, 0 });

        const std::vector<std::string> lines = log.take();
        EXPECT_EQ(std::ranges::count(lines, damaged + damage + ")" + movedAside), 1);
        const platform::Data aside = tiles::test::readFile(path + ".corrupt");
        EXPECT_EQ(aside.size(), original.size()) << "kept";
        const auto image = RMTileImage::dummyTile(tileAt(1));
        cache->addTileWithImage(tileAt(1), image);
        image->setImageToData(png());
        EXPECT_EQ(runSqliteShell(path, "SELECT COUNT(*) FROM ZCACHE"), "1\n") << "the new file";
        EXPECT_EQ(tiles::test::readFile(path + ".corrupt"), aside) << "never written again";
        cache.reset();
        log.take();
    }
}

// Another program's lock on the file was waited for without end: the map
// hung. Now about two seconds, then the file is left alone for a while
// (reads miss, stores are skipped) and used again once the lock is gone.
TEST(RMDatabaseCacheFileTest, LockedFileIsWaitedForBrieflyThenLeftAloneUntilItIsFree)
{
    ScratchHome home;
    ManualClock clock(5000);
    int pauses = 0;
    RMTileCacheDAO::setBusyRetryPause([&pauses] { ++pauses; });
    const std::unique_ptr<void, void (*)(void*)> restorePause(
        &pauses, [](void*) { RMTileCacheDAO::setBusyRetryPause(nullptr); });
    EXPECT_NEAR((RMTileCacheDAO::kBusyRetries + 1) * RMTileCacheDAO::kBusyPause, 2, 0.1);
    const std::string path = home.file("MapLocked.sqlite");
    runSqliteShell(path,
        "CREATE TABLE ZCACHE (ztileHash INTEGER PRIMARY KEY, zlastUsed DOUBLE, zdata BLOB); INSERT INTO "
        "ZCACHE "
        "VALUES ("
            + std::to_string(RMTileKey(tileAt(1))) + ", 1, x'" + hex(png()) + "');");
    vantry::test::OutsideConnection other(path);
    ASSERT_EQ(other.exec("BEGIN EXCLUSIVE"), SQLITE_OK);

    LogCapture log;
    auto cache = RMDatabaseCache::createWithDatabase(path);
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(pauses, RMTileCacheDAO::kBusyRetries + 1);
    EXPECT_THAT(log.take(),
        ElementsAre(
            "Opening database at " + path, EndsWith(" Database busy (" + path + ")"), "Database busy"));
    EXPECT_EQ(cache->cachedImage(tileAt(1)), nullptr) << "a miss, at once";
    EXPECT_EQ(pauses, RMTileCacheDAO::kBusyRetries + 1);

    ASSERT_EQ(other.exec("COMMIT"), SQLITE_OK);
    clock.advance(RMTileCacheDAO::kLockedPause);
    EXPECT_NE(cache->cachedImage(tileAt(1)), nullptr);
    cache.reset();
    log.take();
}

TEST(RMDatabaseCacheFileTest, FileOfAnOlderVersionGainsTheFreshnessColumnsAndKeepsItsRows)
{
    ScratchHome home;
    const std::string path = home.file("MapOld.sqlite");
    runSqliteShell(path,
        "CREATE TABLE ZCACHE (ztileHash INTEGER PRIMARY KEY, zlastUsed DOUBLE, zdata BLOB); INSERT INTO "
        "ZCACHE "
        "VALUES ("
            + std::to_string(RMTileKey(tileAt(1))) + ", 1000, x'" + hex(png()) + "');");
    LogCapture log;
    auto cache = RMDatabaseCache::createWithDatabase(path);
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(runSqliteShell(path, "SELECT name FROM pragma_table_info('ZCACHE')"),
        "ztileHash\nzlastUsed\nzdata\nzexpires\nzetag\nzlastModified\n");
    EXPECT_EQ(runSqliteShell(path, "PRAGMA user_version"), "1\n");
    const auto hit = cache->cachedImage(tileAt(1));
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->freshness(),
        (platform::HttpFreshness { 1000 + platform::HttpFreshness::kDefaultLifetime, "", "" }));
    cache.reset();
    log.take();
}

TEST(RMTileCacheDAOTest, EveryStatementReportsItsFailure)
{
    ScratchHome home;
    const std::string path = home.file("MapDropped.sqlite");
    LogCapture log;
    auto dao = RMTileCacheDAO::createWithDatabase(path);
    ASSERT_NE(dao, nullptr);
    dao->addDataLastUsedForTile(platform::Data::fromString("bytes"), 1, 7);
    ASSERT_TRUE(dao->storedTile(7).has_value());
    ASSERT_EQ(dao->storedTile(7)->data.view(), "bytes");
    EXPECT_FALSE(dao->storedTile(8).has_value());
    runSqliteShell(path, "DROP TABLE ZCACHE;");
    log.take();

    EXPECT_EQ(dao->count(), 0u);
    EXPECT_FALSE(dao->storedTile(7).has_value());
    dao->purgeTiles(4);
    dao->removeAllCachedImages();
    dao->touchTileWithDate(7, 10);
    dao->addDataLastUsedForTile(platform::Data::fromString("bytes"), 1, 7);
    EXPECT_THAT(log.take(),
        ElementsAre("Error calling sqlite3_step (1: no such table: ZCACHE) rs", "Unable to count columns",
            "Error calling sqlite3_step (1: no such table: ZCACHE) rs",
            "DB error while fetching tile data: no such table: ZCACHE", "purging 4 old tiles from db cache",
            "Error purging cache", "Error purging all cache", "Error touching tile",
            "Error calling sqlite3_step (1: no such table: ZCACHE) SQLITE_ERROR",
            "DB Query: INSERT OR IGNORE INTO ZCACHE (ztileHash, zlastUsed, zdata, zexpires, zetag, "
            "zlastModified) VALUES (?, ?, ?, ?, ?, ?)",
            "Error occured adding data"));

    EXPECT_TRUE(dao->configureDBForFirstUse());
    EXPECT_EQ(dao->count(), 0u);
    const std::string description = dao->description();
    dao.reset();
    EXPECT_THAT(log.take(), ElementsAre(IsMethodTrace("dealloc", description)));
}

} // namespace
