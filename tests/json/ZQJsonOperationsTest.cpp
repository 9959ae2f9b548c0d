#include "ZQJsonOperations.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

using json::Array;
using json::Foreign;
using json::Object;
using json::Value;
using vantry::test::LogCapture;

namespace {

TEST(ZQJsonOperations, JSONValueReadsObjectsAndLogsFailures)
{
    LogCapture log;
    EXPECT_EQ(json::JSONValue(R"({"a":[1]})"), Value(Object { { "a", Array { 1 } } }));
    EXPECT_FALSE(json::JSONValue("\"scalar\""));
    EXPECT_FALSE(json::JSONValue("[1,,2]"));
    EXPECT_TRUE(json::JSONValue(std::string(1000, '[') + std::string(1000, ']')))
        << "no depth limit below the guard";
    EXPECT_EQ(log.take(),
        (std::vector<std::string> {
            "-JSONValue failed. Error trace is: [4 \"Valid fragment, but not JSON\"]",
            "-JSONValue failed. Error trace is: [3 \"Unrecognised leading character\", 3 "
            "\"Expected value while parsing array\"]",
        }));
}

TEST(ZQJsonOperations, JSONFragmentValueReadsScalars)
{
    LogCapture log;
    EXPECT_EQ(json::JSONFragmentValue(" \"scalar\" "), Value("scalar"));
    EXPECT_FALSE(json::JSONFragmentValue("{} x"));
    EXPECT_EQ(log.take(),
        (std::vector<std::string> {
            "-JSONFragmentValue failed. Error trace is: [10 \"Garbage after JSON\"]" }));
}

TEST(ZQJsonOperations, JSONRepresentationWritesCompactUnsorted)
{
    LogCapture log;
    EXPECT_EQ(
        json::JSONRepresentation(Object { { "b", 1 }, { "a", Array { true } } }), R"({"b":1,"a":[true]})");
    EXPECT_FALSE(json::JSONRepresentation(Value(1)));
    EXPECT_FALSE(json::JSONRepresentation(Object { { "k", Foreign { "NSDate" } } }));
    EXPECT_EQ(log.take(),
        (std::vector<std::string> {
            "-JSONRepresentation failed. Error trace is: [4 \"Not valid type for JSON\"]",
            "-JSONRepresentation failed. Error trace is: [1 \"JSON serialisation not supported "
            "for NSDate\", 1 \"Unsupported value for key k in object\"]",
        }));
}

TEST(ZQJsonOperations, JSONFragmentWritesScalars)
{
    LogCapture log;
    EXPECT_EQ(json::JSONFragment(Value(nullptr)), "null");
    EXPECT_FALSE(json::JSONFragment(Foreign { "Blob" }));
    EXPECT_EQ(log.take(),
        (std::vector<std::string> {
            "-JSONFragment failed. Error trace is: [1 \"JSON serialisation not supported for Blob\"]",
        }));
}

} // namespace
