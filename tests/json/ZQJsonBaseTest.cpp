#include "ZQJsonBase.h"
#include "TraceHelpers.h"
#include "ZQJSON.h"
#include "ZQJsonParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vantry::test::Trace;
using vantry::test::traceOf;

namespace {

// Records every notification with the trace length seen at that moment.
class RecordingObserver : public json::ZQJsonObserver {
public:
    void willChangeValueForKey(const json::ZQJsonBase& object, std::string_view key) override
    {
        events.push_back("will " + std::string(key) + " " + std::to_string(traceOf(object).size()));
    }
    void didChangeValueForKey(const json::ZQJsonBase& object, std::string_view key) override
    {
        events.push_back("did " + std::string(key) + " " + std::to_string(traceOf(object).size()));
    }
    std::vector<std::string> events;
};

TEST(ZQJsonBase, AddingErrorsChainsThemAndNotifiesAroundEachChange)
{
    json::ZQJsonBase base;
    RecordingObserver observer;
    base.addObserver(&observer);
    EXPECT_EQ(base.errorTrace(), nullptr);
    base.addErrorWithCodeDescription(3, "first");
    base.addErrorWithCodeDescription(9, "second");
    EXPECT_EQ(traceOf(base), (Trace { { 3, "first" }, { 9, "second" } }));
    EXPECT_EQ(base.errorTrace()->at(1)->underlyingError(), base.errorTrace()->at(0));
    base.clearErrorTrace();
    EXPECT_EQ(base.errorTrace(), nullptr);
    EXPECT_EQ(observer.events,
        (std::vector<std::string> { "will errorTrace 0", "did errorTrace 1", "will errorTrace 1",
            "did errorTrace 2", "will errorTrace 2", "did errorTrace 0" }));
    base.removeObserver(&observer);
    base.addErrorWithCodeDescription(1, "unobserved");
    EXPECT_EQ(observer.events.size(), 6U);
}

TEST(ZQJsonBase, ParserAnnouncesClearingAndEachError)
{
    json::ZQJsonParser parser;
    RecordingObserver observer;
    parser.addObserver(&observer);
    EXPECT_FALSE(parser.objectWithStringAllowScalar("[x]", false));
    EXPECT_EQ(observer.events,
        (std::vector<std::string> { "will errorTrace 0", "did errorTrace 0", "will errorTrace 0",
            "did errorTrace 1", "will errorTrace 1", "did errorTrace 2" }));
    parser.removeObserver(&observer);
}

TEST(ZQJsonBase, FacadeAnnouncesTheCopiedTraceOnlyOnFailure)
{
    json::ZQJSON codec;
    RecordingObserver observer;
    codec.addObserver(&observer);
    EXPECT_TRUE(codec.objectWithStringError("[]"));
    EXPECT_TRUE(observer.events.empty());
    EXPECT_FALSE(codec.objectWithStringError("[1,]"));
    EXPECT_EQ(observer.events, (std::vector<std::string> { "will errorTrace 0", "did errorTrace 1" }));
    codec.removeObserver(&observer);
}

TEST(ZQJsonBase, DescribesTraceOnOneLine)
{
    json::ZQJsonBase base;
    EXPECT_EQ(json::describeErrorTrace(base.errorTrace()), "(none)");
    base.addErrorWithCodeDescription(3, "Unrecognised leading character");
    base.addErrorWithCodeDescription(3, "Expected value while parsing array");
    EXPECT_EQ(json::describeErrorTrace(base.errorTrace()),
        "[3 \"Unrecognised leading character\", 3 \"Expected value while parsing array\"]");
}

} // namespace
