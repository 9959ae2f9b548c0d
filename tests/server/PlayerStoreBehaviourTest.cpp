#include "LogCapture.h"
#include "PgConnection.h"
#include "PostgresPlayerStore.h"
#include "PostgresServer.h"
#include "ScratchFolder.h"
#include "SqliteFiles.h"
#include "SqlitePlayerStore.h"
#include "StoreCalls.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace server {
namespace {

using namespace std::chrono_literals;
using namespace server::test;
using Saved = PlayerStore::Saved;

// What the game needs of either store, the same whichever it is.
class PlayerStoreBehaviourTest : public testing::TestWithParam<const char*> {
protected:
    bool onPostgres() const { return std::string_view(GetParam()) == "PostgreSQL"; }

    std::unique_ptr<PlayerStore> open()
    {
        if (!onPostgres())
            return SqlitePlayerStore::open(folder.file("players.sqlite"));
        if (!postgres)
            postgres = std::make_unique<vantry::test::PostgresServer>();
        return PostgresPlayerStore::open(postgres->uri(), [] { return true; });
    }

    // Runs `sql` as another program would; the first column of its first row.
    std::string outside(const std::string& sql)
    {
        if (!onPostgres())
            return vantry::test::OutsideConnection(folder.file("players.sqlite")).scalar(sql);
        std::string failure;
        const auto result = PgConnection::open(postgres->uri(), 5s, 5s, failure)->run(sql);
        return result ? std::string(result->value(0, 0).value_or("")) : failure;
    }

    std::vector<std::string> loggedLines() { return log.take(); }

    vantry::test::ScratchFolder folder;
    std::unique_ptr<vantry::test::PostgresServer> postgres;
    vantry::test::LogCapture log;
};

TEST_P(PlayerStoreBehaviourTest, GamesComeBackExactlyAndPlayedGamesAreSaved)
{
    auto store = open();
    ASSERT_NE(store, nullptr);
    const PlayerStore::Loaded none = load(*store, aGame().key);
    EXPECT_TRUE(none.ok);
    EXPECT_FALSE(none.player);
    ASSERT_EQ(save(*store, aGame(), none.basis), Saved::committed);
    const PlayerStore::Loaded first = load(*store, aGame().key);
    ASSERT_TRUE(first.player);
    EXPECT_EQ(*first.player, aGame());

    PlayerState later = aGame();
    later.score = 10;
    later.coins.pop_back();
    ASSERT_EQ(save(*store, later, first.basis), Saved::committed);
    EXPECT_EQ(*load(*store, later.key).player, later);
    EXPECT_EQ(store->playerCount(), 1);

    store.reset();
    store = open();
    EXPECT_EQ(*load(*store, later.key).player, later) << "kept across a restart";
}

// Regression: a row that could not be read answered 503 for ever.
TEST_P(PlayerStoreBehaviourTest, ADamagedGameIsSetAsideAndThePlayerBeginsAgain)
{
    auto store = open();
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(save(*store, aGame("k"), 0), Saved::committed);
    store.reset();
    outside("UPDATE players SET coins = '[[\"c\", 1]' WHERE key = 'k'");
    store = open();
    const PlayerStore::Loaded loaded = load(*store, "k");
    EXPECT_TRUE(loaded.ok);
    EXPECT_FALSE(loaded.player);
    EXPECT_EQ(outside("SELECT key || ' ' || score || ' ' || coins FROM damaged_players"), "k 9 [[\"c\", 1]")
        << "kept as it was";
    EXPECT_EQ(outside("SELECT count(*) FROM players"), "0");
    EXPECT_EQ(save(*store, aGame("k"), loaded.basis), Saved::committed);
    EXPECT_EQ(loggedLines(),
        std::vector<std::string> { "players database: the game of player 8254c329a928 is "
                                   "damaged; it was set aside and a new game begun" });
}

TEST_P(PlayerStoreBehaviourTest, EveryGameGoesOutAndComesBackIn)
{
    auto store = open();
    ASSERT_NE(store, nullptr);
    for (const char* key : { "b", "a", "c" })
        ASSERT_TRUE(store->replace(aGame(key)));
    PlayerState changed = aGame("a");
    changed.level = 7;
    ASSERT_TRUE(store->replace(changed)) << "over a stored game";
    std::vector<PlayerState> games;
    ASSERT_TRUE(store->forEachPlayer([&](const PlayerState& game) { games.push_back(game); }));
    EXPECT_EQ(games, (std::vector<PlayerState> { changed, aGame("b"), aGame("c") }));
}

INSTANTIATE_TEST_SUITE_P(Stores, PlayerStoreBehaviourTest, testing::Values("SQLite", "PostgreSQL"),
    [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

} // namespace
} // namespace server
