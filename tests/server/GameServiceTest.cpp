#include "GameService.h"
#include "LogCapture.h"
#include "ScratchFolder.h"
#include "SqliteFiles.h"
#include "SqlitePlayerStore.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <future>

namespace {

using Outcome = server::GameService::Outcome;

std::string playBody(const std::string& key, const std::string& points)
{
    return "data=[\"" + key + "\"," + points + "]";
}

// A play whose answer is awaited through the future.
std::future<Outcome> playLater(server::GameService& game, const std::string& body)
{
    auto answer = std::make_shared<std::promise<Outcome>>();
    game.play(body, [answer](Outcome outcome) { answer->set_value(std::move(outcome)); });
    return answer->get_future();
}

Outcome play(server::GameService& game, const std::string& body)
{
    return playLater(game, body).get();
}

class GameServiceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(store_); }
    // The writer's last callbacks into the game are over once the store is closed.
    void TearDown() override { store_.reset(); }

    vantry::test::ScratchFolder folder_;
    const std::string path_ = folder_.file("players.sqlite");
    std::unique_ptr<server::PlayerStore> store_ = server::SqlitePlayerStore::open(path_);
    server::GameService game_ { *store_, server::GameRules(1) };
};

TEST_F(GameServiceTest, AnAnswerWhoseGameCannotBeSavedIs503AndTheStoredGameStays)
{
    const std::string first = play(game_, playBody("k", "[[51.5074,-0.1278]]")).body;

    // Another program holds the write lock longer than the store waits for it.
    vantry::test::OutsideConnection other(path_);
    ASSERT_EQ(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    {
        vantry::test::LogCapture log;
        const Outcome refused = play(game_, playBody("k", "[[51.5075,-0.1279]]"));
        EXPECT_EQ(refused.status, 503);
        EXPECT_EQ(refused.body, "the game cannot be played just now: the players database failed\n");
        EXPECT_EQ(log.take(),
            std::vector<std::string> { "players database: cannot save a player: database is locked" });
    }
    other.exec("ROLLBACK");

    EXPECT_EQ(play(game_, playBody("k", "[]")).body, first);
}

// Durability: an answer must never tell a player of a game that a crash could lose.
TEST_F(GameServiceTest, TheAnswerLeavesOnlyOnceItsGameIsCommitted)
{
    vantry::test::OutsideConnection other(path_);
    ASSERT_EQ(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    vantry::test::OutsideConnection reader(path_);
    std::string storedWhenAnswered;
    auto answered = std::make_shared<std::promise<Outcome>>();
    game_.play(
        playBody("k", "[[51.5074,-0.1278]]"), [&reader, &storedWhenAnswered, answered](Outcome outcome) {
            storedWhenAnswered = reader.scalar("SELECT latitude FROM players WHERE key = 'k'");
            answered->set_value(std::move(outcome));
        });
    std::future<Outcome> answer = answered->get_future();
    // While the lock is held the game cannot be committed, so there must be no answer yet.
    EXPECT_EQ(answer.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    other.exec("ROLLBACK");
    EXPECT_EQ(answer.get().status, 200);
    EXPECT_EQ(storedWhenAnswered, "51.5074");
}

TEST_F(GameServiceTest, OnePlayersRequestsArePlayedInTurnOnTheGameTheOneBeforeSaved)
{
    vantry::test::OutsideConnection other(path_);
    ASSERT_EQ(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    std::future<Outcome> first = playLater(game_, playBody("k", "[[51.5074,-0.1278]]"));
    std::future<Outcome> second = playLater(game_, playBody("k", "[[51.5075,-0.1278]]"));
    std::future<Outcome> third = playLater(game_, playBody("k", "[]"));
    other.exec("ROLLBACK");
    const Outcome answers[] = { first.get(), second.get(), third.get() };
    for (const Outcome& answer : answers)
        EXPECT_EQ(answer.status, 200);
    EXPECT_NE(answers[1].body.find("51.5075"), std::string::npos) << answers[1].body;
    EXPECT_EQ(answers[2].body, answers[1].body);
    EXPECT_EQ(play(game_, playBody("k", "[]")).body, answers[1].body);
}

TEST_F(GameServiceTest, AGameAnotherProgramWroteIsPlayedOnAsWritten)
{
    ASSERT_EQ(play(game_, playBody("k", "[[51.5074,-0.1278]]")).status, 200);
    vantry::test::OutsideConnection(path_).exec("UPDATE players SET score = 100");
    const Outcome answer = play(game_, playBody("k", "[[51.5075,-0.1278]]"));
    EXPECT_EQ(answer.status, 200);
    EXPECT_NE(answer.body.find("\"S\":100,"), std::string::npos) << answer.body;
}

// Another program holds the write lock, as the sqlite3 shell in a transaction does.
class GameServiceUnderALockTest : public GameServiceTest {
protected:
    void SetUp() override
    {
        GameServiceTest::SetUp();
        otherGame_ = play(game_, R"(data=["other",[[48.85,2.35]]])").body;
        ASSERT_EQ(outside_.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    }

    vantry::test::OutsideConnection outside_ { path_ };
    std::string otherGame_;
    vantry::test::LogCapture log_;
};

// Busy retries used to hold the one game mutex: everyone got two answers a second.
TEST_F(GameServiceUnderALockTest, ASaveGivesUpWithinASecondWhileOtherPlayersAreAnswered)
{
    const auto start = std::chrono::steady_clock::now();
    std::future<Outcome> saving = playLater(game_, playBody("k", "[[51.5074,-0.1278]]"));
    int answered = 0;
    while (saving.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        const auto asked = std::chrono::steady_clock::now();
        EXPECT_EQ(play(game_, R"(data=["other",[]])").body, otherGame_);
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
    std::future<Outcome> first = playLater(game_, playBody("a", "[[51.5074,-0.1278]]"));
    std::future<Outcome> second = playLater(game_, playBody("b", "[[51.5074,-0.1278]]"));
    EXPECT_EQ(first.get().status, 503);
    EXPECT_EQ(second.get().status, 503);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500)) << "not in turn";
    EXPECT_EQ(log_.take().size(), 2U);
}

} // namespace
