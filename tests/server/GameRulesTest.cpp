#include "GameRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>
#include <set>

using base::GeoPoint;
using protocol::PlayAnswer;
using server::GameRuleNumbers;
using server::GameRules;
using server::PlayerState;

namespace {

const GeoPoint kStart { 51.5074, -0.1278 };

// Requests an hour apart: time enough for any walk of these tests.
double anHourLater()
{
    static double now = 0;
    return now += 3600;
}

// A point `metres` due east of `from`.
GeoPoint east(GeoPoint from, double metres)
{
    return base::destination(from, std::numbers::pi / 2, metres);
}

// Collects every coin of the player's level, one request each.
void collectCoins(const GameRules& rules, PlayerState& player)
{
    while (!player.coins.empty()) {
        const GeoPoint coin = player.coins.front().where;
        rules.play(player, std::vector { coin }, anHourLater());
    }
}

bool shows(const PlayAnswer& answer, const std::string& id)
{
    return std::ranges::any_of(
        *answer.objects, [&](const protocol::GameObject& object) { return object.id == id; });
}

TEST(GameRules, ANewPlayerHasAHandfulOfCoinsBetween20And150MetresAround)
{
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
        const PlayerState player = GameRules(seed).newPlayer("key-" + std::to_string(seed), kStart, 0);
        EXPECT_EQ(player.level, 0);
        EXPECT_EQ(player.score, 0);
        EXPECT_EQ(player.total, GameRuleNumbers::kCoinsOnLevelZero);
        ASSERT_EQ(player.coins.size(), static_cast<std::size_t>(GameRuleNumbers::kCoinsOnLevelZero));
        EXPECT_TRUE(player.princesses.empty());
        std::set<std::string> ids;
        for (const server::PlacedObject& coin : player.coins) {
            ids.insert(coin.id);
            const double distance = base::distanceMetres(kStart, coin.where);
            EXPECT_GE(distance, GameRuleNumbers::kCoinNearest - 0.01);
            EXPECT_LE(distance, GameRuleNumbers::kCoinFarthest + 0.01);
        }
        EXPECT_EQ(ids.size(), player.coins.size());
    }
}

TEST(GameRules, PlacementDependsOnlyOnSeedKeyAndPlace)
{
    const PlayerState player = GameRules(7).newPlayer("k", kStart, 0);
    EXPECT_EQ(GameRules(7).newPlayer("k", kStart, 0), player);
    EXPECT_NE(GameRules(8).newPlayer("k", kStart, 0).coins, player.coins);
    EXPECT_NE(GameRules(7).newPlayer("j", kStart, 0).coins, player.coins);
}

TEST(GameRules, ACoinIsCollectedByAnyPointWithin15Metres)
{
    struct Case {
        double metres;
        bool collected;
    };
    for (const Case c : { Case { 0, true }, Case { 14.9, true }, Case { 15.1, false }, Case { 40, false } }) {
        const GameRules rules(3);
        PlayerState player = rules.newPlayer("k", kStart, 0);
        const server::PlacedObject coin = player.coins[2];
        // The point near the coin is the middle one of three.
        rules.play(player, std::vector { kStart, east(coin.where, c.metres), kStart }, anHourLater());
        EXPECT_EQ(player.score, c.collected ? 1 : 0) << c.metres;
        EXPECT_EQ(shows(GameRules::answerFor(player), coin.id), !c.collected) << c.metres;
        EXPECT_EQ(player.position, kStart);
    }
}

TEST(GameRules, AllCoinsShowTheFinishedLevelThenLevelOneBeginsAtTheNextRequest)
{
    const GameRules rules(11);
    PlayerState player = rules.newPlayer("k", kStart, 0);
    collectCoins(rules, player);
    PlayAnswer answer = GameRules::answerFor(player);
    EXPECT_EQ(answer.score, answer.total);
    EXPECT_EQ(answer.level, 0);

    const GeoPoint there = east(kStart, 500);
    rules.play(player, std::vector { there }, anHourLater());
    answer = GameRules::answerFor(player);
    EXPECT_EQ(answer.level, 1);
    EXPECT_EQ(answer.princessCount, 0);
    EXPECT_EQ(answer.score, GameRuleNumbers::kCoinsOnLevelZero);
    EXPECT_EQ(answer.total, GameRuleNumbers::kCoinsOnLevelZero + GameRuleNumbers::kCoinsOnLaterLevels);
    ASSERT_EQ(player.princesses.size(), 1U);
    const double distance = base::distanceMetres(there, player.princesses[0].where);
    EXPECT_GE(distance, GameRuleNumbers::kPrincessNearest - 0.01);
    EXPECT_LE(distance, GameRuleNumbers::kPrincessFarthest + 0.01);
    EXPECT_FALSE(shows(answer, player.princesses[0].id));
    EXPECT_GT(answer.temperature, 0);
}

TEST(GameRules, APrincessShowsWithinSightAndTheHeroLooksUp)
{
    const GameRules rules(5);
    PlayerState player = rules.newPlayer("k", kStart, 0);
    collectCoins(rules, player);
    rules.play(player, std::vector { kStart }, anHourLater());
    const server::PlacedObject princess = player.princesses.at(0);
    struct Case {
        double metres;
        bool inSight;
    };
    for (const Case c : { Case { 74, true }, Case { 76, false } }) {
        rules.play(player, std::vector { east(princess.where, c.metres) }, anHourLater());
        const PlayAnswer answer = GameRules::answerFor(player);
        EXPECT_EQ(shows(answer, princess.id), c.inSight) << c.metres;
        EXPECT_EQ(answer.objects->front().id, server::kHeroId);
        EXPECT_EQ(answer.objects->front().imageName, c.inSight ? "ma" : "ms") << c.metres;
    }
}

TEST(GameRules, SavingEveryPrincessFinishesTheLevelAndTheNextHidesOneMore)
{
    const GameRules rules(9);
    PlayerState player = rules.newPlayer("k", kStart, 0);
    collectCoins(rules, player);
    rules.play(player, std::vector { kStart }, anHourLater());
    rules.play(player, std::vector { player.princesses.at(0).where }, anHourLater());
    PlayAnswer answer = GameRules::answerFor(player);
    EXPECT_EQ(answer.level, 1);
    EXPECT_EQ(answer.princessCount, 1);
    EXPECT_EQ(answer.temperature, 0);

    rules.play(player, std::vector { player.position }, anHourLater());
    answer = GameRules::answerFor(player);
    EXPECT_EQ(answer.level, 2);
    EXPECT_EQ(answer.princessCount, 0);
    EXPECT_EQ(player.princesses.size(), 2U);
    EXPECT_EQ(answer.total, GameRuleNumbers::kCoinsOnLevelZero + 2 * GameRuleNumbers::kCoinsOnLaterLevels);

    rules.play(player, std::vector { player.princesses.at(1).where }, anHourLater());
    EXPECT_EQ(GameRules::answerFor(player).princessCount, 1);
    EXPECT_EQ(GameRules::answerFor(player).level, 2);
}

TEST(GameRules, TemperatureFallsLinearlyFrom100Within15MetresTo0At1000)
{
    PlayerState player;
    player.level = 1;
    player.princesses = { { "p1-1", kStart } };
    struct Case {
        double metres;
        double temperature;
    };
    for (const Case c : { Case { 0, 100 }, Case { 15, 100 }, Case { 507.5, 50 }, Case { 901.5, 10 },
             Case { 1000, 0 }, Case { 5000, 0 } }) {
        player.position = east(kStart, c.metres);
        EXPECT_NEAR(GameRules::temperature(player), c.temperature, 1e-6) << c.metres;
    }
    double previous = 101;
    for (double metres = 16; metres < 1000; metres += 7) {
        player.position = east(kStart, metres);
        const double temperature = GameRules::temperature(player);
        EXPECT_LT(temperature, previous) << metres;
        previous = temperature;
    }
}

TEST(GameRules, PointsFartherThanAPlayerCouldHaveGoneAreIgnored)
{
    const GameRules rules(3);
    PlayerState start = rules.newPlayer("k", kStart, 1000);
    start.coins = { { "c", east(kStart, 100) } };
    std::vector<GeoPoint> sweep; // a zig-zag over 300 by 300 metres, 10 metres apart
    for (int row = 0; row < 30; ++row) {
        for (int column = 0; column < 30; ++column)
            sweep.push_back(
                base::destination(east(kStart, 10.0 * (row % 2 ? 29 - column : column)), 0, 10.0 * row));
    }
    const struct {
        const char* what;
        std::vector<GeoPoint> points;
        double seconds; // since the last point taken
        GeoPoint position; // of the hero afterwards
        int score;
        bool moved; // whether a point was taken
    } cases[] = {
        { "the coin 3 s later: 100 m at 12 m/s takes 6 s (with 25 m of noise)", { east(kStart, 100) }, 3,
            kStart, 0, false },
        { "the coin 10 s later", { east(kStart, 100) }, 10, east(kStart, 100), 1, true },
        { "a jump to the other side of the earth, then the coin",
            { east(kStart, 20'000'000), east(kStart, 100) }, 10, east(kStart, 100), 1, true },
        { "there and back first: the path counts, not the distance",
            { east(kStart, 60), kStart, east(kStart, 100) }, 10, kStart, 0, true },
        { "a sweep 3 s later goes only 61 m", sweep, 3, sweep.at(6), 0, true },
    };
    for (const auto& c : cases) {
        PlayerState player = start;
        rules.play(player, c.points, 1000 + c.seconds);
        EXPECT_EQ(player.score, c.score) << c.what;
        EXPECT_NEAR(base::distanceMetres(player.position, c.position), 0, 1e-6) << c.what;
        EXPECT_EQ(player.lastMoved, c.moved ? 1000 + c.seconds : 1000) << c.what;
    }
}

TEST(GameRules, NoPointsChangeNothing)
{
    const GameRules rules(2);
    PlayerState player = rules.newPlayer("k", kStart, 0);
    collectCoins(rules, player);
    const PlayerState before = player;
    rules.play(player, {}, anHourLater());
    EXPECT_EQ(player, before);
}

} // namespace
