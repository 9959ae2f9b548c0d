#include "ZQJSON.h"
#include "TraceHelpers.h"

#include <gtest/gtest.h>

using json::Array;
using json::Foreign;
using json::Object;
using json::Value;
using json::ZQJSON;
using vantry::test::Trace;
using vantry::test::traceOf;

namespace {

std::string nested(std::size_t depth)
{
    return std::string(depth, '[') + std::string(depth, ']');
}

TEST(ZQJSONParsing, LimitsNestingTo512)
{
    ZQJSON codec;
    EXPECT_EQ(codec.maxDepth(), 512U);
    EXPECT_TRUE(codec.objectWithStringError(nested(512)));
    std::shared_ptr<const json::ZQJsonError> error;
    EXPECT_FALSE(codec.objectWithStringError(nested(513), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 3U) << "the out-error is the outermost one";
    EXPECT_EQ(traceOf(codec).front(), (std::pair<unsigned, std::string>(7, "Nested too deep")));
    EXPECT_EQ(traceOf(codec).size(), 513U);
    EXPECT_EQ(error, codec.errorTrace()->back());
}

TEST(ZQJSONParsing, SuccessLeavesTheTraceOfTheLastFailure)
{
    ZQJSON codec;
    EXPECT_FALSE(codec.objectWithStringError("[1,]"));
    const Trace failure = traceOf(codec);
    EXPECT_EQ(failure, (Trace { { 9, "Trailing comma disallowed in array" } }));
    EXPECT_TRUE(codec.objectWithStringError("[1]"));
    EXPECT_EQ(traceOf(codec), failure);
}

TEST(ZQJSONParsing, FragmentsAndObjects)
{
    ZQJSON codec;
    EXPECT_EQ(codec.fragmentWithStringError("\"abc\""), Value("abc"));
    std::shared_ptr<const json::ZQJsonError> error;
    EXPECT_FALSE(codec.objectWithStringError("\"abc\"", &error));
    EXPECT_EQ(error->localizedDescription(), "Valid fragment, but not JSON");
    EXPECT_FALSE(codec.objectWithStringError(std::nullopt, &error));
    EXPECT_EQ(traceOf(codec), (Trace { { 12, "Input was 'nil'" } }));
}

TEST(ZQJSONParsing, MaxDepthPassesToTheParser)
{
    ZQJSON codec;
    codec.setMaxDepth(1);
    EXPECT_TRUE(codec.objectWithStringError("[1]"));
    EXPECT_FALSE(codec.objectWithStringError("[[1]]"));
    codec.setMaxDepth(0);
    EXPECT_TRUE(codec.objectWithStringError(nested(1000)));
}

TEST(ZQJSONWriting, OptionsPassToTheWriter)
{
    ZQJSON codec;
    codec.setHumanReadable(true);
    codec.setSortKeys(true);
    EXPECT_EQ(
        codec.stringWithObjectError(Object { { "b", 1 }, { "a", 2 } }), "{\n  \"a\" : 2,\n  \"b\" : 1\n}");
    EXPECT_EQ(codec.stringWithFragmentError(Value(true)), "true");
}

TEST(ZQJSONWriting, FailureCopiesTheWritersTrace)
{
    ZQJSON codec;
    std::shared_ptr<const json::ZQJsonError> error;
    EXPECT_FALSE(codec.stringWithObjectError(Object { { "k", Foreign { "NSDate" } } }, &error));
    EXPECT_EQ(traceOf(codec),
        (Trace { { 1, "JSON serialisation not supported for NSDate" },
            { 1, "Unsupported value for key k in object" } }));
    EXPECT_EQ(error->localizedDescription(), "Unsupported value for key k in object");
    EXPECT_EQ(
        error->underlyingError()->localizedDescription(), "JSON serialisation not supported for NSDate");
    EXPECT_FALSE(codec.stringWithObjectError(Value(1), &error));
    EXPECT_EQ(traceOf(codec), (Trace { { 4, "Not valid type for JSON" } }));
}

} // namespace
