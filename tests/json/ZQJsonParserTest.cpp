#include "ZQJsonParser.h"
#include "TraceHelpers.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>

using json::Array;
using json::Decimal;
using json::Object;
using json::Value;
using json::ZQJsonParser;
using vantry::test::Trace;
using vantry::test::traceOf;

namespace {

struct Parsed {
    std::optional<Value> value;
    Trace trace;
};

Parsed parse(std::string_view text, bool allowScalar = false)
{
    ZQJsonParser parser;
    std::optional<Value> value = parser.objectWithStringAllowScalar(text, allowScalar);
    return { std::move(value), traceOf(parser) };
}

Value number(std::string_view text)
{
    return Value(*Decimal::fromString(text));
}

std::string nested(std::size_t depth)
{
    return std::string(depth, '[') + std::string(depth, ']');
}

// ---- Grammar acceptance ----

TEST(ZQJsonParserGrammar, AcceptsDocumentsAndFragments)
{
    struct Case {
        const char* text;
        bool allowScalar;
        Value expected;
    };
    const Case cases[] = {
        { R"({"a":1,"b":[true,false,null]})", false,
            Object { { "a", 1 }, { "b", Array { true, false, nullptr } } } },
        { "{}", false, Object {} },
        { "[]", false, Array {} },
        { " \t\n\r\v\f[ 1 , 2 ]\t\f", false, Array { 1, 2 } },
        { R"({"a":1 "b":2})", false, Object { { "a", 1 }, { "b", 2 } } },
        { "[1 2]", false, Array { 1, 2 } },
        { R"({ "k" : [ {} , [ ] ] })", false, Object { { "k", Array { Object {}, Array {} } } } },
        { R"("abc")", true, Value("abc") },
        { "true", true, Value(true) },
        { "false", true, Value(false) },
        { "null", true, Value() },
        { "-0", true, number("-0") },
        { "0.5", true, number("0.5") },
        { "1E+2", true, Value(100) },
        { "12e-3", true, number("0.012") },
        { "  42  ", true, Value(42) },
        { R"("")", true, Value("") },
        { R"({"":""})", false, Object { { "", "" } } },
    };
    for (const Case& c : cases) {
        const Parsed parsed = parse(c.text, c.allowScalar);
        ASSERT_TRUE(parsed.value) << c.text;
        EXPECT_EQ(*parsed.value, c.expected) << c.text;
    }
}

TEST(ZQJsonParserGrammar, SkipsWhitespaceRunsOfEveryLength)
{
    // Spaces are skipped eight at a time: runs of every length around that, with the other whitespace
    // bytes at every place in them, before and after each token and at the end of the input.
    const std::string others = "\t\n\v\f\r";
    for (std::size_t length = 0; length <= 20; ++length) {
        for (std::size_t place = 0; place <= length; ++place) {
            std::string gap(length, ' ');
            if (place < length)
                gap[place] = others[place % others.size()];
            const std::string text = gap + "{" + gap + "\"k\"" + gap + ":" + gap + "[" + gap + "1" + gap + ","
                + gap + "2" + gap + "]" + gap + "}" + gap;
            const Parsed parsed = parse(text);
            ASSERT_TRUE(parsed.value) << text;
            EXPECT_EQ(*parsed.value, Value(Object { { "k", Array { 1, 2 } } })) << text;
        }
    }
}

TEST(ZQJsonParserGrammar, KeepsMembersInReadOrderAndLaterDuplicatesReplaceInPlace)
{
    const Parsed parsed = parse(R"({"z":1,"a":2,"z":3,"m":4})");
    ASSERT_TRUE(parsed.value);
    std::string members;
    for (const json::Member& member : *parsed.value->asObject())
        members += member.key.str() + "=" + member.value.asNumber()->stringValue() + " ";
    EXPECT_EQ(members, "z=3 a=2 m=4 ");
}

TEST(ZQJsonParserGrammar, DuplicateKeysInLargeObjectsReplaceTheirValue)
{
    std::string text = "{";
    for (int i = 0; i < 1000; ++i)
        text += "\"key" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    text += R"("key500":"again","key0":"first again"})";
    const Parsed parsed = parse(text);
    ASSERT_TRUE(parsed.value);
    const Object& object = *parsed.value->asObject();
    EXPECT_EQ(object.size(), 1000U);
    EXPECT_EQ(object.begin()[500].value, Value("again"));
    EXPECT_EQ(object.begin()[0].value, Value("first again"));
    EXPECT_EQ(*object.find("key999"), Value(999));
}

// ---- Errors: code, exact description and trace order ----

struct ErrorCase {
    const char* name;
    std::string text;
    bool allowScalar;
    Trace trace;
};

// Names the case in test listings (instead of a dump of its bytes).
void PrintTo(const ErrorCase& c, std::ostream* out)
{
    *out << c.name;
}

class ZQJsonParserErrors : public testing::TestWithParam<ErrorCase> { };

TEST_P(ZQJsonParserErrors, FailsWithTrace)
{
    const ErrorCase& c = GetParam();
    const Parsed parsed = parse(c.text, c.allowScalar);
    EXPECT_FALSE(parsed.value);
    EXPECT_EQ(parsed.trace, c.trace);
}

INSTANTIATE_TEST_SUITE_P(All, ZQJsonParserErrors,
    testing::Values(
        ErrorCase { "TrailingCommaArray", "[1,]", false, { { 9, "Trailing comma disallowed in array" } } },
        ErrorCase {
            "TrailingCommaObject", R"({"a":1,})", false, { { 9, "Trailing comma disallowed in object" } } },
        ErrorCase { "DoubleComma", "[1,,2]", false,
            { { 3, "Unrecognised leading character" }, { 3, "Expected value while parsing array" } } },
        ErrorCase { "ScalarNotAllowed", R"("abc")", false, { { 4, "Valid fragment, but not JSON" } } },
        ErrorCase { "Garbage", "{} x", false, { { 10, "Garbage after JSON" } } },
        ErrorCase { "LeadingPlus", "+1", true, { { 2, "Leading + disallowed in number" } } },
        ErrorCase { "LeadingZero", "01", true, { { 2, "Leading 0 disallowed in number" } } },
        ErrorCase { "LoneMinus", "-", true, { { 2, "No digits after initial minus" } } },
        ErrorCase { "MinusLetter", "-a", true, { { 2, "No digits after initial minus" } } },
        ErrorCase { "NoFraction", "1.", true, { { 2, "No digits after decimal point" } } },
        ErrorCase { "NoExponent", "1e", true, { { 2, "No digits after exponent" } } },
        ErrorCase { "NoExponentAfterSign", "1e+", true, { { 2, "No digits after exponent" } } },
        ErrorCase { "LeadingPoint", ".5", true, { { 3, "Unrecognised leading character" } } },
        ErrorCase { "OutOfRange", "[1e401]", false,
            { { 2, "Failed creating decimal instance" }, { 3, "Expected value while parsing array" } } },
        ErrorCase { "PlainNumberOutOfRangeAtTheEnd", "1" + std::string(401, '0'), true,
            { { 2, "Failed creating decimal instance" } } },
        ErrorCase { "PlainNumberOutOfRangeInArray", "[0." + std::string(400, '0') + "1]", false,
            { { 2, "Failed creating decimal instance" }, { 3, "Expected value while parsing array" } } },
        ErrorCase { "LeadingZeroAfterMinus", "-01", true, { { 2, "Leading 0 disallowed in number" } } },
        ErrorCase { "BadTrue", "[tru]", false,
            { { 3, "Expected 'true'" }, { 3, "Expected value while parsing array" } } },
        ErrorCase { "BadFalse", "[fals]", false,
            { { 3, "Expected 'false'" }, { 3, "Expected value while parsing array" } } },
        ErrorCase { "BadNull", "nul", true, { { 3, "Expected 'null'" } } },
        ErrorCase { "KeyNotString", "{1:2}", false, { { 3, "Object key string expected" } } },
        ErrorCase { "KeyBroken", "{\"a\x01\":2}", false,
            { { 5, "Unescaped control character '0x1'" }, { 3, "Object key string expected" } } },
        ErrorCase { "MissingColon", R"({"a" 1})", false, { { 3, "Expected ':' separating key and value" } } },
        ErrorCase { "MissingValue", R"({"a":})", false,
            { { 3, "Unrecognised leading character" }, { 3, "Object value expected for key: a" } } },
        ErrorCase { "RawLineFeed", "\"a\nb\"", true, { { 5, "Unescaped control character '0xa'" } } },
        ErrorCase { "NulByteInString", std::string("\"a\0b\"", 5), true,
            { { 5, "Unescaped control character '0x0'" } } },
        ErrorCase { "UnterminatedStringInArray", "[\"abc", false,
            { { 5, "Unescaped control character '0x0'" }, { 3, "Expected value while parsing array" } } },
        ErrorCase {
            "UnterminatedAfterEscape", "\"abc\\n", true, { { 11, "Unexpected EOF while parsing string" } } },
        ErrorCase { "IllegalEscape", "\"\\x\"", true, { { 8, "Illegal escape sequence '0x78'" } } },
        ErrorCase { "EscapeAtEnd", "\"\\", true, { { 8, "Illegal escape sequence '0x0'" } } },
        ErrorCase { "LoneLowSurrogate", "\"\\udfff\"", true,
            { { 6, "Invalid high character in surrogate pair" }, { 6, "Broken unicode character" } } },
        ErrorCase { "HighSurrogateThenLetter", "\"\\ud83dx\"", true,
            { { 6, "Missing low character in surrogate pair" }, { 6, "Broken unicode character" } } },
        ErrorCase { "HighSurrogateThenOtherEscape", "\"\\ud83d\\n\"", true,
            { { 6, "Missing low character in surrogate pair" }, { 6, "Broken unicode character" } } },
        ErrorCase { "HighSurrogateThenBadQuad", "\"\\ud83d\\u12\"", true,
            { { 6, "Missing hex digit in quad" }, { 6, "Missing low character in surrogate pair" },
                { 6, "Broken unicode character" } } },
        ErrorCase { "TwoHighSurrogates", "\"\\ud83d\\ud83d\"", true,
            { { 6, "Invalid low surrogate char" }, { 6, "Broken unicode character" } } },
        ErrorCase { "BadHexDigitInArray", "[\"\\u12g4\"]", false,
            { { 6, "Missing hex digit in quad" }, { 6, "Missing hex quad" },
                { 6, "Broken unicode character" }, { 3, "Expected value while parsing array" } } },
        ErrorCase { "QuadCutByEnd", "\"\\u12", true,
            { { 6, "Missing hex digit in quad" }, { 6, "Missing hex quad" },
                { 6, "Broken unicode character" } } },
        ErrorCase { "Empty", "", false, { { 11, "Unexpected end of string" } } },
        ErrorCase { "OnlyWhitespace", " \n ", false, { { 11, "Unexpected end of string" } } },
        ErrorCase { "NulByteAsValue", std::string("[\0]", 3), false,
            { { 11, "Unexpected end of string" }, { 3, "Expected value while parsing array" } } },
        ErrorCase { "NulByteAfterValue", std::string("{}\0", 3), false, { { 10, "Garbage after JSON" } } },
        ErrorCase { "ObjectCutShort", R"({"a":1)", false, { { 11, "End of input while parsing object" } } },
        ErrorCase { "ArrayCutShort", "[1", false, { { 11, "End of input while parsing array" } } },
        ErrorCase { "NestedObjectValueFailure", R"({"outer":{"inner":[x]}})", false,
            { { 3, "Unrecognised leading character" }, { 3, "Expected value while parsing array" },
                { 3, "Object value expected for key: inner" },
                { 3, "Object value expected for key: outer" } } }),
    [](const testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

TEST(ZQJsonParserErrorTrace, EachErrorHasThePreviousOneAsUnderlyingError)
{
    ZQJsonParser parser;
    EXPECT_FALSE(parser.objectWithStringAllowScalar(R"({"k":["\u12g4"]})", false));
    const json::ZQJsonErrorTrace& trace = *parser.errorTrace();
    ASSERT_EQ(trace.size(), 5U);
    EXPECT_EQ(trace[0]->underlyingError(), nullptr);
    for (std::size_t i = 1; i < trace.size(); ++i)
        EXPECT_EQ(trace[i]->underlyingError(), trace[i - 1]);
    for (const auto& error : trace)
        EXPECT_EQ(error->domain(), "org.vellumar.JSON.ErrorDomain");
}

TEST(ZQJsonParserErrorTrace, MissingInputFailsWithOneError)
{
    ZQJsonParser parser;
    EXPECT_FALSE(parser.objectWithStringAllowScalar(std::nullopt, true));
    EXPECT_EQ(traceOf(parser), (Trace { { 12, "Input was 'nil'" } }));
}

TEST(ZQJsonParserErrorTrace, EachCallStartsWithAnEmptyTrace)
{
    ZQJsonParser parser;
    EXPECT_FALSE(parser.objectWithStringAllowScalar("[x]", false));
    EXPECT_EQ(traceOf(parser).size(), 2U);
    EXPECT_TRUE(parser.objectWithStringAllowScalar("[1]", false));
    EXPECT_EQ(parser.errorTrace(), nullptr);
    EXPECT_FALSE(parser.objectWithStringAllowScalar("[", false));
    EXPECT_EQ(traceOf(parser), (Trace { { 11, "End of input while parsing array" } }));
}

// ---- Escapes, surrogates and UTF-8 ----

TEST(ZQJsonParserStrings, DecodesEscapes)
{
    struct Case {
        const char* text;
        std::string expected;
    };
    const Case cases[] = {
        { R"("\u00e9")", "\xC3\xA9" },
        { R"("\ud83d\ude00")", "\xF0\x9F\x98\x80" },
        { R"("\uD83D\uDE00")", "\xF0\x9F\x98\x80" },
        { R"("\u0041\u20AC")", "A\xE2\x82\xAC" },
        { R"("\u0000")", std::string(1, '\0') },
        { R"("\"\\\/\b\f\n\r\t")", "\"\\/\b\f\n\r\t" },
        { R"("plain\nand more plain text past eight bytes\t!")",
            "plain\nand more plain text past eight bytes\t!" },
        { "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\"", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80" },
        { "\"\x7F\"", "\x7F" },
    };
    for (const Case& c : cases) {
        const Parsed parsed = parse(c.text, true);
        ASSERT_TRUE(parsed.value) << c.text;
        EXPECT_EQ(*parsed.value, Value(c.expected)) << c.text;
    }
}

TEST(ZQJsonParserStrings, FindsEveryStopByteAtEveryOffset)
{
    // The run scanner looks at eight bytes at a time; a stop byte must be found at any offset.
    for (std::size_t offset = 0; offset < 24; ++offset) {
        const std::string prefix(offset, 'x');
        const Parsed quoted = parse("\"" + prefix + "\\n" + prefix + "\"", true);
        ASSERT_TRUE(quoted.value) << offset;
        EXPECT_EQ(*quoted.value, Value(prefix + "\n" + prefix));

        const Parsed control = parse("\"" + prefix + "\x1f" + prefix + "\"", true);
        EXPECT_EQ(control.trace, (Trace { { 5, "Unescaped control character '0x1f'" } })) << offset;

        const Parsed unicode = parse("\"" + prefix + "\xC3\xA9\"", true);
        ASSERT_TRUE(unicode.value) << offset;
        EXPECT_EQ(*unicode.value, Value(prefix + "\xC3\xA9"));
    }
}

TEST(ZQJsonParserStrings, RejectsBytesThatAreNotUtf8)
{
    const char* const broken[] = {
        "\x80", // continuation byte alone
        "\xC3", // sequence cut short by the closing quote
        "\xC0\xAF", // overlong '/'
        "\xE0\x80\xAF", // overlong, three bytes
        "\xED\xA0\x80", // UTF-16 surrogate D800
        "\xF4\x90\x80\x80", // above U+10FFFF
        "\xF5\x80\x80\x80", // invalid lead byte
        "\xFF", // never in UTF-8
        "abcdefgh\xE2\x82", // cut short after a full word of ASCII
        "\xE2\x28\xA1", // bad continuation
    };
    for (const char* bytes : broken) {
        const Parsed parsed = parse("[\"" + std::string(bytes) + "\"]");
        EXPECT_FALSE(parsed.value);
        EXPECT_EQ(parsed.trace,
            (Trace { { 6, "Broken unicode character" }, { 3, "Expected value while parsing array" } }));
    }
}

// ---- Depth ----

TEST(ZQJsonParserDepth, WithoutLimitNestingIsGuardedWithoutExhaustingTheStack)
{
    const std::pair<unsigned, std::string> tooDeep(7, "Nested too deep");
    EXPECT_TRUE(parse(nested(ZQJsonParser::kDepthGuard)).value);
    const Parsed justTooDeep = parse(nested(ZQJsonParser::kDepthGuard + 1));
    EXPECT_FALSE(justTooDeep.value);
    ASSERT_FALSE(justTooDeep.trace.empty());
    EXPECT_EQ(justTooDeep.trace.front(), tooDeep);

    const Parsed brackets = parse(std::string(100000, '['));
    EXPECT_FALSE(brackets.value);
    ASSERT_EQ(brackets.trace.size(), ZQJsonParser::kDepthGuard + 1);
    EXPECT_EQ(brackets.trace.front(), tooDeep);
    EXPECT_EQ(
        brackets.trace.back(), (std::pair<unsigned, std::string>(3, "Expected value while parsing array")));

    std::string objects;
    for (int i = 0; i < 5000; ++i)
        objects += "{\"a\":";
    const Parsed deepObjects = parse(objects);
    EXPECT_FALSE(deepObjects.value);
    ASSERT_FALSE(deepObjects.trace.empty());
    EXPECT_EQ(deepObjects.trace.front(), tooDeep);
    EXPECT_EQ(
        deepObjects.trace.back(), (std::pair<unsigned, std::string>(3, "Object value expected for key: a")));
}

TEST(ZQJsonParserDepth, MaxDepthCountsObjectsAndArraysAndStaysUnderTheGuard)
{
    ZQJsonParser parser;
    parser.setMaxDepth(2);
    EXPECT_TRUE(parser.objectWithStringAllowScalar(R"({"a":[1]})", false));
    EXPECT_FALSE(parser.objectWithStringAllowScalar(R"({"a":[{}]})", false));
    EXPECT_EQ(traceOf(parser).front(), (std::pair<unsigned, std::string>(7, "Nested too deep")));
    EXPECT_FALSE(parser.objectWithStringAllowScalar("[[],[],[[]]]", false));
    EXPECT_TRUE(parser.objectWithStringAllowScalar("[[],[],[]]", false));

    parser.setMaxDepth(1'000'000);
    EXPECT_FALSE(parser.objectWithStringAllowScalar(std::string(100000, '['), false));
    EXPECT_EQ(traceOf(parser).front(), (std::pair<unsigned, std::string>(7, "Nested too deep")));
}

} // namespace
