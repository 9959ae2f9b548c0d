#include "PlayRequestReader.h"
#include "PlayRequest.h" // the client's request body

#include <gtest/gtest.h>

#include <limits>

using server::readPlayRequest;

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

TEST(PlayRequestReader, ReadsTheClientsBodyBackToTheSamePoints)
{
    const std::vector<game::LocatedPoint> sent
        = { { 51.5074F, -0.1278F }, { -33.858771F, 151.201596F }, { -90, 180 }, { 90, -180 } };
    const server::PlayRequestReading reading = readPlayRequest(game::makePlayRequestBody("player-7", sent));
    ASSERT_TRUE(reading.request) << reading.problem;
    EXPECT_EQ(reading.request->key, "player-7");
    ASSERT_EQ(reading.request->points.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        // The client writes the shortest text of each float; that text reads back to the same float.
        EXPECT_EQ(static_cast<float>(reading.request->points[i].latitude), sent[i].latitude);
        EXPECT_EQ(static_cast<float>(reading.request->points[i].longitude), sent[i].longitude);
    }
}

TEST(PlayRequestReader, AcceptsWhatTheFormAllows)
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
        const server::PlayRequestReading reading = readPlayRequest(c.body);
        ASSERT_TRUE(reading.request) << c.body.substr(0, 80) << ": " << reading.problem;
        EXPECT_EQ(reading.request->key, c.key);
        EXPECT_EQ(reading.request->points.size(), c.points);
    }
}

TEST(PlayRequestReader, RefusesEverythingElseWithOneLineReason)
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
        { "data=[\"k\"," + std::string(server::kMaxPlayBodyBytes, ' ') + "[]]",
            "the body is larger than 1 MiB" },
    };
    for (const Case& c : cases) {
        const server::PlayRequestReading reading = readPlayRequest(c.body);
        EXPECT_FALSE(reading.request) << c.body.substr(0, 80);
        EXPECT_EQ(reading.problem, c.problem) << c.body.substr(0, 80);
        EXPECT_EQ(reading.problem.find('\n'), std::string::npos);
    }
}

TEST(PlayRequestReader, TheClientsBodyForPointsThatAreNotFiniteIsRefused)
{
    const std::vector<game::LocatedPoint> sent = { { std::numeric_limits<float>::quiet_NaN(), 1 } };
    EXPECT_EQ(readPlayRequest(game::makePlayRequestBody("k", sent)).problem, kBadCoordinate);
}

} // namespace
