#include "PlayRequest.h"
#include "JsonLogCapture.h"
#include "ZQJsonOperations.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

using game::LocatedPoint;
using game::makePlayRequestBody;

namespace {

TEST(PlayRequestBody, TwoPointsGiveKeyAndPairsWithoutBlanks)
{
    const std::vector<LocatedPoint> points = { { 51.5074F, -0.1278F }, { -33.858771F, 151.201596F } };
    const std::string body = makePlayRequestBody("player-7", points);
    EXPECT_EQ(body, "data=[\"player-7\",[[51.5074,-0.1278],[-33.858772,151.2016]]]");
}

TEST(PlayRequestBody, NoPointsGiveAnEmptyListAndCoordinatesThatAreNotFiniteNull)
{
    EXPECT_EQ(makePlayRequestBody("k", {}), "data=[\"k\",[]]");
    const std::vector<LocatedPoint> points = { { std::nanf(""), std::numeric_limits<float>::infinity() } };
    EXPECT_EQ(makePlayRequestBody("k", points), "data=[\"k\",[[null,null]]]");
}

TEST(PlayRequestBody, KeyIsInsertedVerbatim)
{
    const std::vector<LocatedPoint> points = { { 1, 2 } };
    EXPECT_EQ(makePlayRequestBody("a\"b", points), "data=[\"a\"b\",[[1,2]]]");
    EXPECT_EQ(makePlayRequestBody("caf\xC3\xA9 %20&x=1", points), "data=[\"caf\xC3\xA9 %20&x=1\",[[1,2]]]");
}

TEST(PlayRequestBody, EveryCoordinateReadsBackToTheSameFloat)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<float> latitude(-90, 90);
    std::uniform_real_distribution<float> longitude(-180, 180);
    std::vector<LocatedPoint> points;
    for (int i = 0; i < 2000; ++i)
        points.push_back({ latitude(random), longitude(random) });
    points.push_back({ std::numeric_limits<float>::denorm_min(), -0.0F });
    points.push_back({ std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest() });

    const std::string body = makePlayRequestBody("k", points);
    const std::optional<json::Value> parsed = json::JSONValue(std::string_view(body).substr(5));
    ASSERT_TRUE(parsed);
    const json::Array& pairs = *parsed->asArray()->at(1).asArray();
    ASSERT_EQ(pairs.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const json::Array& pair = *pairs[i].asArray();
        EXPECT_EQ(std::bit_cast<std::uint32_t>(pair[0].asNumber()->floatValue()),
            std::bit_cast<std::uint32_t>(points[i].latitude));
        EXPECT_EQ(std::bit_cast<std::uint32_t>(pair[1].asNumber()->floatValue()),
            std::bit_cast<std::uint32_t>(points[i].longitude));
    }
}

} // namespace
