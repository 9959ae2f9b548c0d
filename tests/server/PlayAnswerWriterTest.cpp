#include "PlayAnswerWriter.h"
#include "PlayAnswer.h" // the client's reading

#include <gtest/gtest.h>

namespace {

TEST(PlayAnswerWriter, WritesTheSixKeysCompactly)
{
    server::PlayAnswer answer;
    answer.objects = { { "hero", { 51.50740001, -0.12780004 }, "ms" }, { "c0-1", { -33.8, 151.2 }, "coin" } };
    answer.score = 3;
    answer.total = 10;
    answer.level = 1;
    answer.saved = 0;
    answer.temperature = 40.126;
    EXPECT_EQ(server::writePlayAnswer(answer),
        "{\"O\":[[\"hero\",51.5074,-0.1278,\"ms\"],[\"c0-1\",-33.8,151.2,\"coin\"]],\"S\":3,\"T\":10,\"L\":1,"
        "\"P\":0,\"t\":40.13}");
    EXPECT_EQ(server::writePlayAnswer({}), "{\"O\":[],\"S\":0,\"T\":0,\"L\":0,\"P\":0,\"t\":0}");
}

TEST(PlayAnswerWriter, TheClientReadsWhatWasWritten)
{
    server::PlayAnswer answer;
    answer.objects = { { "hero", { 69.6492, 18.9553 }, "ma" }, { "p2-1", { 69.65, 18.96 }, "princess" } };
    answer.score = 12;
    answer.total = 14;
    answer.level = 2;
    answer.saved = 1;
    answer.temperature = 99.5;
    const game::PlayAnswer read = game::readPlayAnswer(server::writePlayAnswer(answer));
    ASSERT_TRUE(read.objects);
    ASSERT_EQ(read.objects->size(), 2U);
    EXPECT_EQ((*read.objects)[0], (game::GameObject { "hero", 69.6492F, 18.9553F, "ma" }));
    EXPECT_TRUE((*read.objects)[0].isPlayerHero());
    EXPECT_EQ((*read.objects)[1], (game::GameObject { "p2-1", 69.65F, 18.96F, "princess" }));
    EXPECT_EQ(read.score, 12);
    EXPECT_EQ(read.total, 14);
    EXPECT_EQ(read.level, 2);
    EXPECT_EQ(read.princessCount, 1);
    EXPECT_EQ(read.temperature, 99.5F);
}

} // namespace
