#include "Utf8.h"
#include "ZQJsonParser.h"
#include "ZQJsonWriter.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <string>

using json::Array;
using json::Decimal;
using json::Object;
using json::Value;

namespace {

// Random values of every kind, seeded so a failure repeats.
class RandomValues {
public:
    explicit RandomValues(std::uint64_t seed)
        : random_(seed)
    { }

    Value value(int depth)
    {
        switch (below(depth >= 5 ? 4 : 6)) {
        case 0:
            return below(2) == 0 ? Value() : Value(below(2) == 0);
        case 1:
        case 2:
            return Value(number());
        case 3:
            return Value(text());
        default:
            return container(depth, 6);
        }
    }

    Value document() { return container(0, 8); }

private:
    int below(int bound) { return static_cast<int>(random_() % static_cast<std::uint64_t>(bound)); }

    Value container(int depth, int mostMembers)
    {
        if (below(2) == 0) {
            Array array;
            for (int i = below(mostMembers); i > 0; --i)
                array.push_back(value(depth + 1));
            return array;
        }
        Object object;
        for (int i = below(mostMembers); i > 0; --i)
            object.insertOrAssign(text(), value(depth + 1));
        return object;
    }

    Decimal number()
    {
        switch (below(3)) {
        case 0: {
            const double value = std::bit_cast<double>(random_());
            return Decimal::fromDouble(std::isfinite(value) ? value : 0.5).value();
        }
        case 1:
            return Decimal::fromInt(static_cast<std::int64_t>(random_()));
        default: {
            std::string digits = below(2) == 0 ? "-" : "";
            digits += static_cast<char>('1' + below(9));
            for (int i = below(38); i > 0; --i)
                digits += static_cast<char>('0' + below(10));
            digits += "e" + std::to_string(below(600) - 300);
            return Decimal::fromString(digits).value();
        }
        }
    }

    std::string text()
    {
        std::string text;
        for (int i = below(12); i > 0; --i) {
            switch (below(6)) {
            case 0:
                text += static_cast<char>(below(32));
                break;
            case 1:
                text += below(2) == 0 ? '"' : '\\';
                break;
            case 2:
                json::utf8::append(text, static_cast<char32_t>(0x80 + below(0x780)));
                break;
            case 3: {
                const auto codePoint = static_cast<char32_t>(0x800 + below(0xF800));
                json::utf8::append(text, codePoint >= 0xD800 && codePoint <= 0xDFFF ? U'\uFFFD' : codePoint);
                break;
            }
            case 4:
                json::utf8::append(text, static_cast<char32_t>(0x10000 + below(0x100000)));
                break;
            default:
                text += static_cast<char>(' ' + below(95));
            }
        }
        return text;
    }

    std::mt19937_64 random_;
};

TEST(RoundTrip, EveryWrittenValueReadsBackEqual)
{
    RandomValues values(20261207);
    json::ZQJsonParser parser;
    json::ZQJsonWriter compact;
    json::ZQJsonWriter pretty;
    pretty.setHumanReadable(true);
    json::ZQJsonWriter sorted;
    sorted.setSortKeys(true);
    sorted.setHumanReadable(true);

    for (int i = 0; i < 2000; ++i) {
        const Value value = values.document();
        for (json::ZQJsonWriter* writer : { &compact, &pretty, &sorted }) {
            const std::optional<std::string> text = writer->stringWithObjectAllowScalar(value, false);
            ASSERT_TRUE(text);
            const std::optional<Value> read = parser.objectWithStringAllowScalar(*text, false);
            ASSERT_TRUE(read) << *text;
            EXPECT_EQ(*read, value) << *text;
        }
    }
}

TEST(RoundTrip, ScalarsReadBackEqualAndCompactTextIsStable)
{
    RandomValues values(42);
    json::ZQJsonParser parser;
    json::ZQJsonWriter writer;
    for (int i = 0; i < 2000; ++i) {
        const Value value = values.value(0);
        const std::optional<std::string> text = writer.stringWithObjectAllowScalar(value, true);
        ASSERT_TRUE(text);
        const std::optional<Value> read = parser.objectWithStringAllowScalar(*text, true);
        ASSERT_TRUE(read) << *text;
        EXPECT_EQ(*read, value);
        EXPECT_EQ(writer.stringWithObjectAllowScalar(*read, true), text);
    }
}

TEST(RoundTrip, NegativeZeroKeepsItsSign)
{
    json::ZQJsonParser parser;
    const std::optional<Value> read = parser.objectWithStringAllowScalar("[-0.0]", false);
    ASSERT_TRUE(read);
    const Decimal zero = *read->asArray()->front().asNumber();
    EXPECT_TRUE(zero.isNegative());
    EXPECT_TRUE(std::signbit(zero.doubleValue()));
    json::ZQJsonWriter writer;
    EXPECT_EQ(writer.stringWithObjectAllowScalar(*read, false), "[-0]");
}

} // namespace
