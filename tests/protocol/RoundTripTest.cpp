// Both ends of each message: what one side writes, the other reads back as it was meant.
#include "PlayAnswer.h"
#include "PlayRequest.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace {

using base::GeoPoint;

double narrowed(double degrees)
{
    return static_cast<float>(degrees);
}

TEST(RoundTrip, TheServerReadsTheClientsRequestAsTheSameFloats)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> latitude(-90, 90);
    std::uniform_real_distribution<double> longitude(-180, 180);
    std::vector<GeoPoint> sent
        = { { 51.5074, -0.1278 }, { -33.858771, 151.201596 }, { -90, 180 }, { 90, -180 } };
    for (int i = 0; i < 500; ++i)
        sent.push_back({ latitude(random), longitude(random) });

    const protocol::PlayRequestReading reading
        = protocol::readPlayRequest(protocol::writePlayRequest("player-7", sent));
    ASSERT_TRUE(reading.request) << reading.problem;
    EXPECT_EQ(reading.request->key, "player-7");
    ASSERT_EQ(reading.request->points.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        // The client writes the shortest text of each float; that text reads back to the same float.
        const GeoPoint read = reading.request->points[i];
        EXPECT_EQ(narrowed(read.latitude), narrowed(sent[i].latitude)) << "point " << i;
        EXPECT_EQ(narrowed(read.longitude), narrowed(sent[i].longitude)) << "point " << i;
    }
}

TEST(RoundTrip, TheClientReadsTheServersAnswerAsItWasMeant)
{
    // The client reads coordinates and the temperature as 32-bit floats.
    protocol::PlayAnswer full;
    full.objects = { { "hero", { 69.6492, 18.9553 }, "ma" }, { "p2-1", { 69.65, 18.96 }, "princess" },
        { "c0-4", { -89.9999999, 179.9999999 }, "coin" } };
    full.score = 12;
    full.total = 14;
    full.level = 2;
    full.princessCount = 1;
    full.temperature = 99.5;
    protocol::PlayAnswer fullAsRead = full;
    fullAsRead.objects = { { "hero", { 69.6492F, 18.9553F }, "ma" },
        { "p2-1", { 69.65F, 18.96F }, "princess" }, { "c0-4", { -90, 180 }, "coin" } };
    protocol::PlayAnswer noList;
    noList.score = std::numeric_limits<std::int32_t>::max();
    noList.temperature = 0.01;
    protocol::PlayAnswer noListAsRead = noList;
    noListAsRead.temperature = 0.01F;

    const struct {
        protocol::PlayAnswer written, read;
    } cases[] = { { full, fullAsRead }, { noList, noListAsRead }, { {}, {} } };
    for (const auto& c : cases) {
        const std::string text = protocol::writePlayAnswer(c.written);
        EXPECT_EQ(protocol::readPlayAnswer(text), c.read) << text;
    }
    EXPECT_TRUE(protocol::readPlayAnswer(protocol::writePlayAnswer(full)).objects->front().isPlayerHero());
}

} // namespace
