#include "ZQJsonWriter.h"
#include "TraceHelpers.h"

#include <gtest/gtest.h>

using json::Array;
using json::Decimal;
using json::Foreign;
using json::Object;
using json::Value;
using json::ZQJsonWriter;
using vantry::test::Trace;
using vantry::test::traceOf;

namespace {

Value number(std::string_view text)
{
    return Value(*Decimal::fromString(text));
}

std::optional<std::string> write(
    const Value& value, bool allowScalar = false, bool humanReadable = false, bool sortKeys = false)
{
    ZQJsonWriter writer;
    writer.setHumanReadable(humanReadable);
    writer.setSortKeys(sortKeys);
    return writer.stringWithObjectAllowScalar(value, allowScalar);
}

TEST(ZQJsonWriterOutput, WritesCompactOrIndentedText)
{
    struct Case {
        Value value;
        bool humanReadable;
        bool sortKeys;
        const char* text;
    };
    const Case cases[] = {
        { Array { 1, number("2.5"), true, nullptr, "x" }, false, false, R"([1,2.5,true,null,"x"])" },
        // Sorted and human-readable: seven lines.
        { Object { { "b", 1 }, { "a", Array { 1, 2 } } }, true, true,
            "{\n  \"a\" : [\n    1,\n    2\n  ],\n  \"b\" : 1\n}" },
        // Empty containers stay on one line.
        { Array {}, true, false, "[]" },
        { Object {}, true, false, "{}" },
        { Array { Array {}, Object {} }, true, false, "[\n  [],\n  {}\n]" },
        // Located points as the game sends them.
        { Array { Array { Value(*Decimal::fromFloat(51.5074F)), Value(*Decimal::fromFloat(-0.1278F)) },
              Array { Value(*Decimal::fromFloat(-33.5F)), Value(*Decimal::fromFloat(151.25F)) } },
            false, false, "[[51.5074,-0.1278],[-33.5,151.25]]" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(write(c.value, false, c.humanReadable, c.sortKeys), c.text) << c.text;
}

TEST(ZQJsonWriterOutput, KeepsMemberOrderOrSortsKeysByCodePoint)
{
    const Value object = Object { { "b", 1 }, { "a", 2 }, { "c", Object {} } };
    EXPECT_EQ(write(object), R"({"b":1,"a":2,"c":{}})");
    EXPECT_EQ(write(object, false, false, true), R"({"a":2,"b":1,"c":{}})");
    const Value keys = Object { { "\xC3\xA9", 1 }, { "Z", 2 }, { "a", 3 }, { "", 4 }, { "aa", 5 } };
    EXPECT_EQ(write(keys, false, false, true), "{\"\":4,\"Z\":2,\"a\":3,\"aa\":5,\"\xC3\xA9\":1}");
}

TEST(ZQJsonWriterOutput, EscapesOnlyQuoteBackslashAndControlCharacters)
{
    const Value text = std::string("\"\\/\t\x01\xC3\xA9\x7F");
    EXPECT_EQ(write(text, true), "\"\\\"\\\\/\\t\\u0001\xC3\xA9\x7F\"");

    const std::string expected[32] = { "\\u0000", "\\u0001", "\\u0002", "\\u0003", "\\u0004", "\\u0005",
        "\\u0006", "\\u0007", "\\b", "\\t", "\\n", "\\u000b", "\\f", "\\r", "\\u000e", "\\u000f", "\\u0010",
        "\\u0011", "\\u0012", "\\u0013", "\\u0014", "\\u0015", "\\u0016", "\\u0017", "\\u0018", "\\u0019",
        "\\u001a", "\\u001b", "\\u001c", "\\u001d", "\\u001e", "\\u001f" };
    for (int c = 0; c < 32; ++c)
        EXPECT_EQ(write(Value(std::string(1, static_cast<char>(c))), true), "\"" + expected[c] + "\"") << c;
}

TEST(ZQJsonWriterErrors, ScalarAtTopLevelNeedsPermission)
{
    ZQJsonWriter writer;
    EXPECT_FALSE(writer.stringWithObjectAllowScalar(Value("x"), false));
    EXPECT_EQ(traceOf(writer), (Trace { { 4, "Not valid type for JSON" } }));
    EXPECT_EQ(writer.stringWithObjectAllowScalar(Value("x"), true), "\"x\"");
    EXPECT_EQ(writer.errorTrace(), nullptr);
}

// Texts are copied eight bytes at a time while they are checked: an escape or a stray byte may fall
// at any offset of a word, or in the tail, of a text of any length.
TEST(ZQJsonWriterOutput, EscapesAndBrokenBytesAtEveryOffsetOfTextsOfEveryLength)
{
    const auto escaped = [](std::string_view text) {
        std::string out = "\"";
        for (const char c : text) {
            if (c == '"' || c == '\\')
                out += std::string("\\") + c;
            else if (c == '\n')
                out += "\\n";
            else if (c == '\x01')
                out += "\\u0001";
            else
                out += c;
        }
        return out + "\"";
    };
    const char specials[] = { '"', '\\', '\n', '\x01' };
    for (std::size_t length = 1; length <= 40; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            std::string text(length, 'a');
            text[at] = specials[at % 4];
            text[length - 1 - at / 2] = specials[(at + 1) % 4];
            EXPECT_EQ(write(Value(text), true), escaped(text)) << length << " " << at;
            std::string broken(length, 'a');
            broken[at] = '\xFF';
            EXPECT_FALSE(write(Value(broken), true)) << length << " " << at;
            broken.replace(at, 1, "\xC3\xA9");
            EXPECT_EQ(write(Value(broken), true), "\"" + broken + "\"") << length << " " << at;
        }
    }
}

TEST(ZQJsonWriterErrors, UnwritableValuesFailWithTrace)
{
    struct Case {
        Value value;
        Trace trace;
    };
    const Case cases[] = {
        { Object { { "a", 1 }, { "k", Foreign { "NSDate" } } },
            { { 1, "JSON serialisation not supported for NSDate" },
                { 1, "Unsupported value for key k in object" } } },
        { Array { Array { Foreign { "NSDate" } } },
            { { 1, "JSON serialisation not supported for NSDate" } } },
        { Object { { "outer", Array { Object { { "inner", Foreign { "Blob" } } } } } },
            { { 1, "JSON serialisation not supported for Blob" },
                { 1, "Unsupported value for key inner in object" },
                { 1, "Unsupported value for key outer in object" } } },
        { Array { std::string("ab\xFF") },
            { { 1, "JSON serialisation not supported for invalid UTF-8 text" } } },
        { Object { { std::string("\xC3"), 1 } }, { { 1, "JSON object key must be string" } } },
    };
    for (const Case& c : cases) {
        ZQJsonWriter writer;
        EXPECT_FALSE(writer.stringWithObjectAllowScalar(c.value, false));
        EXPECT_EQ(traceOf(writer), c.trace);
    }
}

TEST(ZQJsonWriterErrors, NestingBeyondTheGuardFails)
{
    Value value = Array {};
    for (int i = 0; i < 3000; ++i)
        value = Array { std::move(value) };
    ZQJsonWriter writer;
    EXPECT_FALSE(writer.stringWithObjectAllowScalar(value, false));
    EXPECT_EQ(traceOf(writer), (Trace { { 7, "Nested too deep" } }));
}

TEST(ZQJsonWriterState, OptionsPersistAndDepthResets)
{
    ZQJsonWriter writer;
    writer.setHumanReadable(true);
    EXPECT_FALSE(writer.stringWithObjectAllowScalar(Array { Array { Foreign { "X" } } }, false));
    EXPECT_TRUE(writer.humanReadable());
    EXPECT_FALSE(writer.sortKeys());
    EXPECT_EQ(writer.stringWithObjectAllowScalar(Array { 1 }, false), "[\n  1\n]");
}

TEST(ZQJsonWriterState, EachCallReturnsOnlyItsOwnText)
{
    // Long enough for the writer's buffer to grow many times, with escapes and numbers of the longest
    // forms at every position relative to its end.
    const std::string numbers[] = { "-0.0000012345678901234567890123456789012345678",
        "-1.2345678901234567890123456789012345678e-300" };
    Array values;
    std::string text = "[";
    for (int i = 0; i < 5000; ++i) {
        const std::string padding(static_cast<std::size_t>(i % 7), 'x');
        values.emplace_back(padding + "\n\x01");
        values.emplace_back(number(numbers[i % 2]));
        text += (i == 0 ? "\"" : ",\"") + padding + "\\n\\u0001\"," + numbers[i % 2];
    }
    text += "]";
    ZQJsonWriter writer;
    EXPECT_EQ(writer.stringWithObjectAllowScalar(values, false), text);
    EXPECT_FALSE(writer.stringWithObjectAllowScalar(Array { "partial", Foreign { "X" } }, false));
    EXPECT_EQ(writer.stringWithObjectAllowScalar(Array { 1 }, false), "[1]");
}

} // namespace
