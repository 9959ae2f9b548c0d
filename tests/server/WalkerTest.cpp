// The rules must be playable by a walker that sees only the screen: coin markers, a princess in sight,
// the temperature bar. These walks go through the answer's JSON and the client's reading of it.
#include "GameRules.h"
#include "PlayAnswer.h"
#include "SimulatedWalker.h"

#include <gtest/gtest.h>

namespace {

struct Walk {
    const char* name; // names the test
    const char* place;
    server::GeoPoint start;
    double metresPerFix;
};

class WalkerTest : public ::testing::TestWithParam<Walk> { };

TEST_P(WalkerTest, FinishesLevelsZeroAndOne)
{
    const Walk walk = GetParam();
    constexpr int kExchanges = 3000;
    for (std::uint64_t seed = 1; seed <= 12; ++seed) {
        const server::GameRules rules(seed);
        vantry::test::SimulatedWalker walker(walk.start, walk.metresPerFix, 3);
        std::optional<server::PlayerState> player;
        bool sawAllCoins = false;
        bool sawSaved = false;
        float coldest = 101;
        float warmest = -1;
        int exchange = 0;
        for (; exchange < kExchanges; ++exchange) {
            const std::vector<server::GeoPoint> points = walker.walk();
            if (!player)
                player = rules.newPlayer("walker", points.front());
            rules.play(*player, points);
            const game::PlayAnswer answer
                = game::readPlayAnswer(server::writePlayAnswer(server::GameRules::answerFor(*player)));
            walker.see(answer);
            sawAllCoins |= answer.level == 0 && answer.score == answer.total;
            sawSaved |= answer.level == 1 && answer.princessCount == 1;
            if (answer.level == 1 && answer.temperature > 0) {
                coldest = std::min(coldest, answer.temperature);
                warmest = std::max(warmest, answer.temperature);
            }
            if (answer.level == 2)
                break;
        }
        EXPECT_LT(exchange, kExchanges) << walk.place << " seed " << seed;
        EXPECT_TRUE(sawAllCoins) << walk.place << " seed " << seed;
        EXPECT_TRUE(sawSaved) << walk.place << " seed " << seed;
        // Warmer as it neared her: from where she was hidden (200 to 600 m) to within sight (75 m).
        EXPECT_GT(warmest, 93) << walk.place << " seed " << seed;
        EXPECT_GT(warmest - coldest, 10) << walk.place << " seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Places, WalkerTest,
    ::testing::Values(Walk { "LondonWalking", "London, walking", { 51.5074, -0.1278 }, 1.4 },
        Walk { "SydneyFiveTimesAsFast", "Sydney, five times as fast", { -33.8688, 151.2093 }, 7 },
        Walk { "TromsoAtARun", "Tromsø, at a run", { 69.6492, 18.9553 }, 20 },
        Walk { "SuvaAcrossTheDateLine", "Suva, across the date line", { -18.1416, 179.9990 }, 7 }),
    [](const ::testing::TestParamInfo<Walk>& info) { return std::string(info.param.name); });

} // namespace
