#include "SqlitePlayerStore.h"
#include "LogCapture.h"
#include "ScratchFolder.h"
#include "SqliteFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <future>
#include <random>
#include <sys/stat.h>

using server::PlayerState;
using server::SqlitePlayerStore;

namespace {

PlayerState aGame()
{
    PlayerState player;
    player.key = "player \"7\" \xC3\xA9";
    player.level = 2;
    player.saved = 1;
    player.score = 9;
    player.total = 11;
    player.position = { -33.858771123456789, 151.20159612345678 };
    player.coins
        = { { "c2-1", { 0.1 + 0.2, -1e-300 } }, { "c2-3", { 89.99999999999999, -179.99999999999997 } } };
    player.princesses = { { "p2-2", { 51.507400000000004, -0.1278 } } };
    return player;
}

// The first column of the first row, read by a connection of another program.
std::string outsideScalar(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    std::string value;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW)
            value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return value;
}

// A game with 150 coins, whose row needs overflow pages.
PlayerState aBigGame(int number)
{
    PlayerState player = aGame();
    player.key = "player " + std::to_string(number);
    for (int coin = 0; coin < 150; ++coin)
        player.coins.push_back({ "c" + std::to_string(coin), { 51.5 + coin * 1e-5, -0.12 - number * 1e-5 } });
    return player;
}

SqlitePlayerStore::Deadline soon()
{
    return std::chrono::steady_clock::now() + std::chrono::seconds(1);
}

SqlitePlayerStore::Loaded load(SqlitePlayerStore& store, std::string_view key)
{
    auto loaded = std::make_shared<std::promise<SqlitePlayerStore::Loaded>>();
    store.load(key, soon(), [loaded](SqlitePlayerStore::Loaded game) { loaded->set_value(std::move(game)); });
    return loaded->get_future().get();
}

// Saves a game played on one loaded with `basis`.
SqlitePlayerStore::Saved saveOn(SqlitePlayerStore& store, const PlayerState& player, std::uint64_t basis)
{
    auto saved = std::make_shared<std::promise<SqlitePlayerStore::Saved>>();
    store.save(player, basis, soon(), [saved](SqlitePlayerStore::Saved done) { saved->set_value(done); });
    return saved->get_future().get();
}

bool save(SqlitePlayerStore& store, const PlayerState& player)
{
    return saveOn(store, player, 0) == SqlitePlayerStore::Saved::committed;
}

mode_t permissionsOf(const std::string& path)
{
    struct stat status { };
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 0777 : 0;
}

class PlayerStoreTest : public ::testing::Test {
protected:
    std::string path() const { return folder_.file("players.sqlite"); }

    vantry::test::ScratchFolder folder_;
};

TEST_F(PlayerStoreTest, EveryCoordinateComesBackExactlyFromTheFile)
{
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> degrees(-180, 180);
    std::uniform_int_distribution<int> scale(-12, 16);
    PlayerState player = aGame();
    player.coins.clear();
    for (int coin = 0; coin < 3000; ++coin) {
        const double where = degrees(random) * std::pow(10.0, scale(random));
        player.coins.push_back({ "c" + std::to_string(coin), { where, std::nextafter(where, 0.0) } });
    }
    ASSERT_TRUE(save(*SqlitePlayerStore::open(path()), player));
    const std::unique_ptr<SqlitePlayerStore> store = SqlitePlayerStore::open(path());
    ASSERT_TRUE(store);
    EXPECT_EQ(load(*store, player.key).player, player);
}

TEST_F(PlayerStoreTest, ASaveIsCommittedToAnOwnerOnlyWriteAheadLogBeforeItReturns)
{
    const std::unique_ptr<SqlitePlayerStore> store = SqlitePlayerStore::open(path());
    ASSERT_TRUE(store);
    PlayerState player = aGame();
    ASSERT_TRUE(save(*store, player));
    player.score = 10;
    ASSERT_TRUE(save(*store, player));
    // Another program sees the last save while the store is open: it is in the log, not in memory.
    EXPECT_EQ(outsideScalar(path(), "SELECT score FROM players"), "10");
    EXPECT_EQ(outsideScalar(path(), "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(permissionsOf(path()), 0600U);
    EXPECT_EQ(permissionsOf(path() + "-wal"), 0600U);
}

TEST_F(PlayerStoreTest, ClosingCopiesTheLogIntoTheFile)
{
    {
        const std::unique_ptr<SqlitePlayerStore> store = SqlitePlayerStore::open(path());
        ASSERT_TRUE(store);
        ASSERT_TRUE(save(*store, aGame()));
    }
    EXPECT_FALSE(std::filesystem::exists(path() + "-wal") && std::filesystem::file_size(path() + "-wal") > 0);
    EXPECT_EQ(outsideScalar(path(), "SELECT score FROM players"), "9");
}

TEST_F(PlayerStoreTest, FilesThatAreNotAPlayersDatabaseAreRefused)
{
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
        const char* logLine;
    };
    const Case cases[] = {
        { "not a database", [](const std::string& path) { std::ofstream(path) << std::string(4096, 'x'); },
            "players database: cannot read the file: file is not a database" },
        { "a newer schema",
            [](const std::string& path) {
                sqlite3* db = nullptr;
                sqlite3_open(path.c_str(), &db);
                sqlite3_exec(db, "PRAGMA user_version=3", nullptr, nullptr, nullptr);
                sqlite3_close(db);
            },
            "players database: made by a newer vantry-server (schema 3)" },
        { "a folder in the way", [](const std::string& path) { std::filesystem::create_directories(path); },
            nullptr },
    };
    for (const Case& c : cases) {
        const vantry::test::ScratchFolder folder;
        const std::string path = folder.file("players.sqlite");
        c.make(path);
        vantry::test::LogCapture log;
        EXPECT_FALSE(SqlitePlayerStore::open(path)) << c.what;
        // The SQLite layer's own lines come first; the store says once what failed.
        const std::vector<std::string> lines = log.take();
        ASSERT_FALSE(lines.empty()) << c.what;
        EXPECT_EQ(std::ranges::count_if(
                      lines, [](const std::string& line) { return line.starts_with("players database: "); }),
            1)
            << c.what;
        if (c.logLine)
            EXPECT_EQ(lines.back(), c.logLine) << c.what;
        else
            EXPECT_TRUE(lines.back().starts_with("players database: ")) << lines.back();
    }
}

TEST_F(PlayerStoreTest, ADamagedFileIsRefusedSayingWhatToDo)
{
    {
        const std::unique_ptr<SqlitePlayerStore> store = SqlitePlayerStore::open(path());
        ASSERT_TRUE(store);
        for (int number = 0; number < 100; ++number)
            ASSERT_TRUE(save(*store, aBigGame(number)));
    }
    std::fstream file(path(), std::ios::in | std::ios::out | std::ios::binary);
    // Page headers of the players' b-tree and of its overflow pages (pages 2 on).
    for (std::streamoff page = 1; page < 60; page += 3) {
        file.seekp(page * 4096);
        file.write("\x07\xff\xff\xff\x01\x02\x03\x04 damaged damaged damaged", 32);
    }
    file.close();

    vantry::test::LogCapture log;
    EXPECT_FALSE(SqlitePlayerStore::open(path()));
    EXPECT_EQ(log.take(),
        std::vector<std::string> { "players database: " + path()
            + " is damaged (Page 2: btreeInitPage() returns error code 11); move it aside (with its -wal "
              "file) to begin an empty one, or restore a backup" });
}

// Games are remembered after saving; another program's write must not be lost under one of them.
TEST_F(PlayerStoreTest, AGamePlayedFromMemoryIsNotSavedOverAnotherProgramsWrite)
{
    const std::unique_ptr<SqlitePlayerStore> store = SqlitePlayerStore::open(path());
    ASSERT_TRUE(store);
    ASSERT_TRUE(save(*store, aGame()));
    vantry::test::OutsideConnection other(path());
    ASSERT_EQ(other.exec("UPDATE players SET score = 100"), SQLITE_OK);

    SqlitePlayerStore::Loaded remembered = load(*store, aGame().key);
    ASSERT_TRUE(remembered.player);
    EXPECT_NE(remembered.basis, 0U) << "not from memory";
    remembered.player->total = 12;
    EXPECT_EQ(saveOn(*store, *remembered.player, remembered.basis), SqlitePlayerStore::Saved::stale);
    EXPECT_EQ(other.scalar("SELECT score || ' ' || total FROM players"), "100 11");

    const SqlitePlayerStore::Loaded reread = load(*store, aGame().key);
    EXPECT_EQ(reread.basis, 0U) << "not from the file";
    ASSERT_TRUE(reread.player);
    EXPECT_EQ(reread.player->score, 100);
    EXPECT_EQ(saveOn(*store, *reread.player, reread.basis), SqlitePlayerStore::Saved::committed);
    EXPECT_EQ(load(*store, aGame().key).player, reread.player) << "remembered as saved";
}

TEST_F(PlayerStoreTest, AFileOfTheFirstSchemaIsUpgradedWithItsGames)
{
    ASSERT_TRUE(save(*SqlitePlayerStore::open(path()), aGame()));
    // The first schema had no table for damaged games.
    ASSERT_EQ(
        vantry::test::OutsideConnection(path()).exec("DROP TABLE damaged_players; PRAGMA user_version=1"),
        SQLITE_OK);
    const std::unique_ptr<SqlitePlayerStore> store = SqlitePlayerStore::open(path());
    ASSERT_TRUE(store);
    EXPECT_EQ(load(*store, aGame().key).player, aGame());
    vantry::test::OutsideConnection other(path());
    EXPECT_EQ(other.scalar("PRAGMA user_version"), "2");
    EXPECT_EQ(other.scalar("SELECT COUNT(*) FROM damaged_players"), "0");
}

// 7000 saves a second once grew the log by 30 MB a second: passive checkpoints never caught up.
// The log's checkpoints must not look like another program's writes: that would send every game
// played from memory back to be played again.
TEST_F(PlayerStoreTest, AFloodOfSavesKeepsTheLogUnder64MiBAndLosesNone)
{
    std::vector<PlayerState> players;
    for (int number = 0; number < 500; ++number)
        players.push_back(aBigGame(number));
    std::uintmax_t largestLog = 0;
    {
        const std::unique_ptr<SqlitePlayerStore> store = SqlitePlayerStore::open(path());
        ASSERT_TRUE(store);
        // About 100 MiB of pages for the log.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (int number = 0; number < 8000 && std::chrono::steady_clock::now() < end; ++number) {
            PlayerState& player = players[number % players.size()];
            const std::uint64_t basis = load(*store, player.key).basis;
            player.score = number;
            ASSERT_EQ(saveOn(*store, player, basis), SqlitePlayerStore::Saved::committed) << number;
            largestLog = std::max(largestLog, std::filesystem::file_size(path() + "-wal"));
        }
    }
    EXPECT_LT(largestLog, 64U << 20);
    const std::unique_ptr<SqlitePlayerStore> store = SqlitePlayerStore::open(path());
    ASSERT_TRUE(store);
    for (const PlayerState& player : players)
        EXPECT_EQ(load(*store, player.key).player, player);
}

} // namespace
