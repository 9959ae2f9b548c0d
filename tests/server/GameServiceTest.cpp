#include "GameService.h"
#include "LogCapture.h"
#include "ScratchFolder.h"
#include "SqliteFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <future>

namespace {

TEST(GameService, AnAnswerWhoseGameCannotBeSavedIs503AndTheStoredGameStays)
{
    const vantry::test::ScratchFolder folder;
    const std::string path = folder.file("players.sqlite");
    const std::unique_ptr<server::PlayerStore> store = server::PlayerStore::open(path);
    ASSERT_TRUE(store);
    server::GameService game(*store, server::GameRules(1));
    const std::string first = game.play("data=[\"k\",[[51.5074,-0.1278]]]").body;

    // Another program holds the write lock longer than the store waits for it.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        vantry::test::LogCapture log;
        const server::GameService::Outcome refused = game.play("data=[\"k\",[[51.5075,-0.1279]]]");
        EXPECT_EQ(refused.status, 503);
        EXPECT_EQ(refused.body, "the game cannot be played just now: the players database failed\n");
        EXPECT_EQ(log.take(),
            std::vector<std::string> { "players database: cannot save a player: database is locked" });
    }
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    EXPECT_EQ(game.play("data=[\"k\",[]]").body, first);
}

// Another program holds the write lock, as the sqlite3 shell in a transaction does.
class GameServiceUnderALockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(store_);
        otherGame_ = game_.play(R"(data=["other",[[48.85,2.35]]])").body;
        ASSERT_EQ(outside_.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    }

    std::future<server::GameService::Outcome> playLater(const std::string& key)
    {
        return std::async(std::launch::async,
            [this, key] { return game_.play("data=[\"" + key + "\",[[51.5074,-0.1278]]]"); });
    }

    vantry::test::ScratchFolder folder_;
    std::unique_ptr<server::PlayerStore> store_ = server::PlayerStore::open(folder_.file("players.sqlite"));
    server::GameService game_ { *store_, server::GameRules(1) };
    vantry::test::OutsideConnection outside_ { folder_.file("players.sqlite") };
    std::string otherGame_;
    vantry::test::LogCapture log_;
};

// Busy retries used to hold the one game mutex: everyone got two answers a second.
TEST_F(GameServiceUnderALockTest, ASaveGivesUpWithinASecondWhileOtherPlayersAreAnswered)
{
    const auto start = std::chrono::steady_clock::now();
    std::future<server::GameService::Outcome> saving = playLater("k");
    int answered = 0;
    while (saving.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        const auto asked = std::chrono::steady_clock::now();
        EXPECT_EQ(game_.play(R"(data=["other",[]])").body, otherGame_);
        EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(250));
        ++answered;
    }
    EXPECT_EQ(saving.get().status, 503);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_GT(answered, 1);
    EXPECT_EQ(log_.take(),
        std::vector<std::string> { "players database: cannot save a player: database is locked" });
}

TEST_F(GameServiceUnderALockTest, TwoPlayersWaitForTheLockAtTheSameTime)
{
    const auto start = std::chrono::steady_clock::now();
    std::future<server::GameService::Outcome> first = playLater("a");
    std::future<server::GameService::Outcome> second = playLater("b");
    EXPECT_EQ(first.get().status, 503);
    EXPECT_EQ(second.get().status, 503);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500)) << "not in turn";
    EXPECT_EQ(log_.take().size(), 2U);
}

} // namespace
