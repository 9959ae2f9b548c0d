#include "PlayRequest.h"
#include "LogCapture.h"
#include "ZQJsonOperations.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

using base::GeoPoint;
using protocol::readPlayRequest;
using protocol::writePlayRequest;

namespace {

constexpr const char* kNotTheForm = "the body is not data=[\"KEY\",[[LATITUDE,LONGITUDE],...]]";
constexpr const char* kBadCoordinate
    = "a coordinate is not a finite number of degrees within latitude -90 to 90, longitude -180 to 180";

std::string points(std::size_t count)
{
    std::string text = "[";
    for (std::size_t i = 0; i < count; ++i)
        text += (i ? "," : "") + std::string("[1.5,2.5]");
    return text + "]";
}

TEST(PlayRequest, TheServerAcceptsWhatTheFormAllows)
{
    struct Case {
        std::string body;
        std::string key;
        std::size_t points;
    };
    const Case cases[] = {
        { "data=[\"k\",[]]", "k", 0 },
        { "data=[\"k\",[ [1, 2] ,\n[3,4] ]]", "k", 2 },
        { "data=[\"a\\b%20&x=1 \xC3\xA9\",[[0,0]]]", "a\\b%20&x=1 \xC3\xA9", 1 },
        { "data=[\"" + std::string(256, 'k') + "\",[[0,0]]]", std::string(256, 'k'), 1 },
        { "data=[\"k\"," + points(10000) + "]", "k", 10000 },
        { "data=[\"k\",[[1e1,-2.5E-1]]]", "k", 1 },
    };
    for (const Case& c : cases) {
        const protocol::PlayRequestReading reading = readPlayRequest(c.body);
        ASSERT_TRUE(reading.request) << c.body.substr(0, 80) << ": " << reading.problem;
        EXPECT_EQ(reading.request->key, c.key);
        EXPECT_EQ(reading.request->points.size(), c.points);
    }
}

TEST(PlayRequest, TheServerRefusesEverythingElseWithOneLineReason)
{
    struct Case {
        std::string body;
        std::string problem;
    };
    const Case cases[] = {
        { "", kNotTheForm },
        { "data=%5B%22k%22%2C%5B%5D%5D", kNotTheForm },
        { "[\"k\",[[1,2]]]", kNotTheForm },
        { "data=[\"k\",[[1,2]]] ", kNotTheForm },
        { "data=[\"k\" ,[[1,2]]]", kNotTheForm },
        { "data=[\"k\",[[1,2]],3]", kNotTheForm },
        { "data=[\"k\",[[1,2] [3,4]]]", kNotTheForm },
        { "data=[\"k\",[[1 2]]]", kNotTheForm },
        { "data=[\"k\",[[1,2,3]]]", kNotTheForm },
        { "data=[\"k\",[[1]]]", kNotTheForm },
        { "data=[\"k\",{\"a\":1}]", kNotTheForm },
        { "data=[\"k\",[[1,2],]]", kNotTheForm },
        { "data=[\"k\",[[1,2]]", kNotTheForm },
        { "data=[\"k\"b\",[[1,2]]]", kNotTheForm },
        { "data=[\"k", kNotTheForm },
        { "data=[\"\",[[1,2]]]", "the player key is empty" },
        { "data=[\"" + std::string(257, 'k') + "\",[[0,0]]]", "the player key is longer than 256 bytes" },
        { "data=[\"k\"," + points(10001) + "]", "more than 10000 points" },
        { "data=[\"k\",[[90.0001,0]]]", kBadCoordinate },
        { "data=[\"k\",[[0,-180.5]]]", kBadCoordinate },
        { "data=[\"k\",[[null,null]]]", kBadCoordinate },
        { "data=[\"k\",[[\"1\",2]]]", kBadCoordinate },
        { "data=[\"k\",[[1e400,2]]]", kBadCoordinate },
        { "data=[\"k\",[[1,2],[true,false]]]", kBadCoordinate },
        { "data=[\"k\"," + std::string(protocol::kMaxPlayBodyBytes, ' ') + "[]]",
            "the body is larger than 1 MiB" },
    };
    for (const Case& c : cases) {
        const protocol::PlayRequestReading reading = readPlayRequest(c.body);
        EXPECT_FALSE(reading.request) << c.body.substr(0, 80);
        EXPECT_EQ(reading.problem, c.problem) << c.body.substr(0, 80);
        EXPECT_EQ(reading.problem.find('\n'), std::string::npos);
    }
}

// Lists as the client writes them are read without the codec's values; they must read as the codec
// reads them with blanks in.
TEST(PlayRequest, AListWithoutBlanksReadsAsTheSameListWithBlanks)
{
    const char* const lists[] = {
        "[[-0,0.1],[1E1,-1e-7],[89.99999999999999,-179.99999999999997]]",
        "[[12.345678901234567,0.30000000000000004],[1e1,-2.5E-1]]",
        "[[51.5074,-0.1278]]",
    };
    for (const std::string list : lists) {
        std::string blank;
        for (const char c : list)
            blank += c == ',' || c == '[' ? std::string(1, c) + " " : std::string(1, c);
        const protocol::PlayRequestReading straight = readPlayRequest("data=[\"k\"," + list + "]");
        const protocol::PlayRequestReading spaced = readPlayRequest("data=[\"k\"," + blank + "]");
        ASSERT_TRUE(straight.request) << list;
        ASSERT_TRUE(spaced.request) << blank;
        ASSERT_EQ(straight.request->points.size(), spaced.request->points.size());
        for (std::size_t i = 0; i < straight.request->points.size(); ++i) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(straight.request->points[i].latitude),
                std::bit_cast<std::uint64_t>(spaced.request->points[i].latitude))
                << list;
            EXPECT_EQ(std::bit_cast<std::uint64_t>(straight.request->points[i].longitude),
                std::bit_cast<std::uint64_t>(spaced.request->points[i].longitude))
                << list;
        }
    }
}

TEST(PlayRequest, TwoPointsGiveKeyAndPairsWithoutBlanks)
{
    const std::vector<GeoPoint> points = { { 51.5074F, -0.1278F }, { -33.858771F, 151.201596F } };
    const std::string body = writePlayRequest("player-7", points);
    EXPECT_EQ(body, "data=[\"player-7\",[[51.5074,-0.1278],[-33.858772,151.2016]]]");
}

TEST(PlayRequest, NoPointsGiveAnEmptyListAndCoordinatesThatAreNotFiniteNull)
{
    EXPECT_EQ(writePlayRequest("k", {}), "data=[\"k\",[]]");
    const std::vector<GeoPoint> points = { { std::nanf(""), std::numeric_limits<float>::infinity() } };
    EXPECT_EQ(writePlayRequest("k", points), "data=[\"k\",[[null,null]]]");
}

TEST(PlayRequest, KeyIsInsertedVerbatim)
{
    const std::vector<GeoPoint> points = { { 1, 2 } };
    EXPECT_EQ(writePlayRequest("a\"b", points), "data=[\"a\"b\",[[1,2]]]");
    EXPECT_EQ(writePlayRequest("caf\xC3\xA9 %20&x=1", points), "data=[\"caf\xC3\xA9 %20&x=1\",[[1,2]]]");
}

TEST(PlayRequest, EveryCoordinateReadsBackToTheSameFloat)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<float> latitude(-90, 90);
    std::uniform_real_distribution<float> longitude(-180, 180);
    std::vector<GeoPoint> points;
    for (int i = 0; i < 2000; ++i)
        points.push_back({ latitude(random), longitude(random) });
    points.push_back({ std::numeric_limits<float>::denorm_min(), -0.0F });
    points.push_back({ std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest() });

    const std::string body = writePlayRequest("k", points);
    const std::optional<json::Value> parsed = json::JSONValue(std::string_view(body).substr(5));
    ASSERT_TRUE(parsed);
    const json::Array& pairs = *parsed->asArray()->at(1).asArray();
    ASSERT_EQ(pairs.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const json::Array& pair = *pairs[i].asArray();
        EXPECT_EQ(std::bit_cast<std::uint32_t>(pair[0].asNumber()->floatValue()),
            std::bit_cast<std::uint32_t>(static_cast<float>(points[i].latitude)));
        EXPECT_EQ(std::bit_cast<std::uint32_t>(pair[1].asNumber()->floatValue()),
            std::bit_cast<std::uint32_t>(static_cast<float>(points[i].longitude)));
    }
}

} // namespace
