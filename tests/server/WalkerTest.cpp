// The rules must be playable by a walker that sees only the screen: coin markers, a princess in sight,
// the temperature bar. These walks go through the answer's JSON and the client's reading of it, and
// walk as the game's own simulated player does.
#include "GameRules.h"
#include "PlayAnswer.h"
#include "WalkerStrategy.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct Walk {
    const char* name; // names the test
    const char* place;
    base::GeoPoint start;
    double metresPerFix;
};

// Names the case in test listings (instead of a dump of its bytes).
void PrintTo(const Walk& c, std::ostream* out)
{
    *out << c.name;
}

class WalkerTest : public ::testing::TestWithParam<Walk> { };

base::WalkerSight sightOf(const protocol::PlayAnswer& answer)
{
    base::WalkerSight sight;
    sight.level = answer.level;
    // The client hides the temperature bar at 0.
    if (answer.temperature > 0)
        sight.temperature = answer.temperature;
    for (const protocol::GameObject& object : answer.objects.value_or(std::vector<protocol::GameObject>())) {
        if (object.imageName == protocol::kCoinPicture)
            sight.coins.push_back(object.where);
        else if (object.imageName == protocol::kPrincessPicture)
            sight.princesses.push_back(object.where);
    }
    return sight;
}

TEST_P(WalkerTest, FinishesLevelsZeroAndOne)
{
    const Walk walk = GetParam();
    constexpr int kExchanges = 3000;
    for (std::uint64_t seed = 1; seed <= 12; ++seed) {
        const server::GameRules rules(seed);
        base::WalkerStrategy walker(walk.start);
        std::optional<server::PlayerState> player;
        bool sawAllCoins = false;
        bool sawSaved = false;
        double coldest = 101;
        double warmest = -1;
        int exchange = 0;
        double now = 0;
        for (; exchange < kExchanges; ++exchange, now += 3) {
            std::vector<base::GeoPoint> points;
            for (int fix = 0; fix < 3; ++fix)
                points.push_back(walker.step(walk.metresPerFix));
            if (!player)
                player = rules.newPlayer("walker", points.front(), now);
            rules.play(*player, points, now);
            const protocol::PlayAnswer answer
                = protocol::readPlayAnswer(protocol::writePlayAnswer(server::GameRules::answerFor(*player)));
            walker.see(sightOf(answer));
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
