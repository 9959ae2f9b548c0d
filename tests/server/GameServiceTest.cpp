#include "GameService.h"
#include "LogCapture.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

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
        // The SQLite layer's own lines come first; the server's says what failed.
        const std::vector<std::string> lines = log.take();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "players database: cannot save a player: database is locked");
    }
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    EXPECT_EQ(game.play("data=[\"k\",[]]").body, first);
}

} // namespace
