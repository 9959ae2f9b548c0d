#include "PlayAnswer.h"
#include "Decimal.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using protocol::GameObject;
using protocol::PlayAnswer;
using protocol::readPlayAnswer;
using vantry::test::LogCapture;

namespace {

TEST(PlayAnswer, ReadsAllSixValues)
{
    const PlayAnswer answer = readPlayAnswer(R"({
        "O": [["me", 51.5, -0.125, "ms"], ["c1", 51.5007, -0.1246, "coin", 3]],
        "S": 120, "T": 4500, "L": 3, "P": 2, "t": 42.5, "x": "ignored"})");
    ASSERT_TRUE(answer.objects);
    EXPECT_EQ(*answer.objects,
        (std::vector<GameObject> { { "me", { 51.5, -0.125 }, "ms" },
            { "c1", { static_cast<double>(51.5007F), static_cast<double>(-0.1246F) }, "coin" } }));
    EXPECT_EQ(answer.score, 120);
    EXPECT_EQ(answer.total, 4500);
    EXPECT_EQ(answer.level, 3);
    EXPECT_EQ(answer.princessCount, 2);
    EXPECT_EQ(answer.temperature, 42.5F);
}

TEST(PlayAnswer, ObjectListIsPresentOnlyWhenItIsAnArray)
{
    EXPECT_EQ(readPlayAnswer("{}"), PlayAnswer {});
    EXPECT_FALSE(readPlayAnswer("{}").objects);
    const PlayAnswer empty = readPlayAnswer(R"({"O":[]})");
    ASSERT_TRUE(empty.objects);
    EXPECT_TRUE(empty.objects->empty());
    for (const char* text : { R"({"O":null})", R"({"O":{}})", R"({"O":"list"})", R"({"O":3})" })
        EXPECT_FALSE(readPlayAnswer(text).objects) << text;
}

TEST(PlayAnswer, SkipsGameObjectsOfTheWrongShape)
{
    const PlayAnswer answer = readPlayAnswer(R"({"O":[["a",1,2],"b",["c",1,2,"coin"],[1,2,3,4],null]})");
    ASSERT_TRUE(answer.objects);
    EXPECT_EQ(*answer.objects, (std::vector<GameObject> { { "c", { 1, 2 }, "coin" } }));
}

TEST(PlayAnswer, AnythingButAJsonObjectReadsAsEmptyAndTheCodecLogsItsTrace)
{
    LogCapture log;
    EXPECT_EQ(readPlayAnswer(R"([{"S":5}])"), PlayAnswer {});
    EXPECT_EQ(readPlayAnswer("7"), PlayAnswer {});
    EXPECT_EQ(readPlayAnswer(R"({"S":5,})"), PlayAnswer {});
    EXPECT_EQ(readPlayAnswer("{\"S\":\"\xFF\"}"), PlayAnswer {});
    EXPECT_EQ(readPlayAnswer(std::nullopt), PlayAnswer {});
    EXPECT_EQ(log.take(),
        (std::vector<std::string> {
            "-JSONValue failed. Error trace is: [4 \"Valid fragment, but not JSON\"]",
            "-JSONValue failed. Error trace is: [9 \"Trailing comma disallowed in object\"]",
            "-JSONValue failed. Error trace is: [6 \"Broken unicode character\", 3 \"Object value expected "
            "for key: S\"]",
        }));
}

TEST(PlayAnswer, IntegersTruncateTowardZeroAndSaturate)
{
    struct Case {
        const char* number;
        std::int32_t expected;
    };
    const Case cases[] = {
        { "3.7", 3 },
        { "-3.7", -3 },
        { "2147483647", 2147483647 },
        { "2147483648", 2147483647 },
        { "-2147483649", std::numeric_limits<std::int32_t>::min() },
        { "1e300", 2147483647 },
        { "5e-300", 0 },
        { "12e1", 120 },
    };
    for (const Case& c : cases) {
        const std::string number = c.number;
        const PlayAnswer answer = readPlayAnswer(
            "{\"S\":" + number + ",\"T\":" + number + ",\"L\":" + number + ",\"P\":" + number + "}");
        EXPECT_EQ(answer.score, c.expected) << c.number;
        EXPECT_EQ(answer.total, c.expected) << c.number;
        EXPECT_EQ(answer.level, c.expected) << c.number;
        EXPECT_EQ(answer.princessCount, c.expected) << c.number;
    }
}

TEST(PlayAnswer, ValuesOfTheWrongTypeReadAsMissing)
{
    const PlayAnswer answer = readPlayAnswer(R"({"S":"5","T":true,"L":null,"P":[1],"t":{}})");
    EXPECT_EQ(answer, PlayAnswer {});
}

TEST(PlayAnswer, TemperatureReadsAsNearestFloat)
{
    EXPECT_EQ(readPlayAnswer(R"({"t":33.3333333333})").temperature, 33.3333333333F);
    EXPECT_EQ(readPlayAnswer(R"({"t":-0})").temperature, 0.0F);
}

} // namespace

TEST(PlayAnswer, TheServerWritesTheSixKeysCompactlyAndRounded)
{
    PlayAnswer answer;
    answer.objects = { { "hero", { 51.50740001, -0.12780004 }, "ms" }, { "c0-1", { -33.8, 151.2 }, "coin" } };
    answer.score = 3;
    answer.total = 10;
    answer.level = 1;
    answer.temperature = 40.126;
    EXPECT_EQ(protocol::writePlayAnswer(answer),
        "{\"O\":[[\"hero\",51.5074,-0.1278,\"ms\"],[\"c0-1\",-33.8,151.2,\"coin\"]],\"S\":3,\"T\":10,\"L\":1,"
        "\"P\":0,\"t\":40.13}");
    PlayAnswer empty;
    empty.objects.emplace();
    EXPECT_EQ(protocol::writePlayAnswer(empty), "{\"O\":[],\"S\":0,\"T\":0,\"L\":0,\"P\":0,\"t\":0}");
}

TEST(PlayAnswer, TextsAreEscapedAndNumbersWrittenAsTheJsonWriterDoes)
{
    const struct {
        protocol::GameObject object;
        const char* written;
    } cases[] = {
        { { "c0-1", { 1e-7, -0.00000004 }, "coin" }, "[\"c0-1\",1e-7,-0,\"coin\"]" },
        { { "a\"b\\c", { 0, 0 }, "\xC3\xBC" }, "[\"a\\\"b\\\\c\",0,0,\"\xC3\xBC\"]" },
        { { "tab\t", { 89.99999999, 180 }, "ms" }, "[\"tab\\t\",90,180,\"ms\"]" },
    };
    for (const auto& c : cases) {
        PlayAnswer answer;
        answer.objects = { c.object };
        answer.temperature = -1e-9;
        EXPECT_EQ(protocol::writePlayAnswer(answer),
            "{\"O\":[" + std::string(c.written) + "],\"S\":0,\"T\":0,\"L\":0,\"P\":0,\"t\":-0}");
    }
}

// The server writes numbers straight from whole units; the text must be the codec's own.
TEST(PlayAnswer, CoordinatesAndTemperaturesAreWrittenAsTheCodecWritesThem)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> degrees(-180, 180);
    std::uniform_int_distribution<int> scale(-9, 2);
    for (int i = 0; i < 20000; ++i) {
        const double value = degrees(random) * std::pow(10.0, scale(random));
        PlayAnswer answer;
        answer.objects = { { "o", { value, -value }, "coin" } };
        answer.temperature = value;
        const auto codec = [](double number, double units) {
            char text[json::Decimal::kMaxTextLength];
            const json::Decimal decimal = *json::Decimal::fromDouble(std::round(number * units) / units);
            return std::string(text, decimal.writeTo(text));
        };
        ASSERT_EQ(protocol::writePlayAnswer(answer),
            "{\"O\":[[\"o\"," + codec(value, 1e7) + "," + codec(-value, 1e7)
                + ",\"coin\"]],\"S\":0,\"T\":0,\"L\":0,"
                  "\"P\":0,\"t\":"
                + codec(value, 100) + "}")
            << value;
    }
}
