#include "Document.h"
#include "ZQJsonParser.h"
#include "ZQJsonWriter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

using json::Array;
using json::Decimal;
using json::Document;
using json::Object;
using json::Value;

namespace {

std::optional<Document> parse(std::string_view text, bool referencesInput = false)
{
    json::ZQJsonParser parser;
    parser.setReferencesInput(referencesInput);
    return parser.objectWithStringAllowScalar(text, true);
}

std::string written(const Value& value)
{
    json::ZQJsonWriter writer;
    return writer.stringWithObjectAllowScalar(value, true).value_or("(failed)");
}

bool liesIn(std::string_view part, std::string_view whole)
{
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

// Parsed numbers keep their text, and the writer copies that text when it is the one the number's
// value writes: it must never differ from what writing the value gives.
TEST(Document, ParsedNumbersWriteAsTheirValuesDo)
{
    std::vector<std::string> texts = { "0", "-0", "0.0", "-0.0", "1.50", "1E2", "12e-3", "0.000001",
        "0.0000001", "-0.0000015", "100", "0.10", "123456789012345678901", "1234567890123456789012",
        "123456789012345678901.5", "12345678901234567890.123456789012345678",
        "1234567890123456789.1234567890123456789", "99999999999999999999999999999999999999.5" };
    std::mt19937_64 random(20261210);
    const auto digits = [&random](std::size_t count) {
        std::string text;
        for (; count > 0; --count)
            text += static_cast<char>('0' + random() % 10);
        return text;
    };
    for (int i = 0; i < 3000; ++i) {
        std::string text = random() % 2 ? "-" : "";
        const std::string integer
            = random() % 3 == 0 ? "0" : std::to_string(1 + random() % 9) + digits(random() % 24);
        text += integer;
        if (random() % 2)
            text += "." + digits(1 + random() % 20);
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        const std::optional<Document> document = parse(text);
        ASSERT_TRUE(document) << text;
        EXPECT_EQ(written(*document), Decimal::fromString(text)->stringValue()) << text;
        EXPECT_EQ(*document->asNumber(), *Decimal::fromString(text)) << text;
    }
}

TEST(Document, ATreeChangedInPlaceReadsAndWritesAsOneBuiltSo)
{
    std::string text = R"({"list":[1,"two",{"x":null}],"small":{"a":1,"b":2})";
    for (int i = 0; i < 20; ++i)
        text += ",\"k" + std::to_string(i) + "\":" + std::to_string(i);
    text += "}";
    std::optional<Document> document = parse(text);
    ASSERT_TRUE(document);
    Object expected = *document->asObject();

    Object& root = *document->asObject();
    root.insertOrAssign("k3", "three");
    root.entry("added") = Array { true };
    Array& list = *root.find("list")->asArray();
    list.emplace_back("four");
    list[0] = Value(Object { { "one", 1 } });
    *list[2].asObject()->find("x") = 7;
    root.find("small")->asObject()->insertOrAssign("a", Value());

    expected.insertOrAssign("k3", "three");
    expected.entry("added") = Array { true };
    Array& expectedList = *expected.find("list")->asArray();
    expectedList.emplace_back("four");
    expectedList[0] = Value(Object { { "one", 1 } });
    *expectedList[2].asObject()->find("x") = 7;
    expected.find("small")->asObject()->insertOrAssign("a", Value());

    EXPECT_EQ(*document, Value(expected));
    EXPECT_EQ(written(*document), written(Value(expected)));
    for (int i = 0; i < 20; ++i)
        EXPECT_NE(root.find("k" + std::to_string(i)), nullptr) << i;
    EXPECT_EQ(root.begin()[0].key, "list");
    EXPECT_EQ((root.end() - 1)->key, "added");
}

TEST(Document, ValuesTakenOutOfADocumentOutliveIt)
{
    const std::string text = R"({"name":"a text long enough not to fit in place","escaped":"\u00e9\n",)"
                             R"("numbers":[1.25,-3,1e400,2e-5],"nested":{"deep":[["x"]]}})";
    std::optional<Document> document = parse(text);
    ASSERT_TRUE(document);
    const Value copied = *document;
    const std::string before = written(*document);
    // Changed first, so that the root object and one array hold the document's parts in memory of
    // their own.
    Object& root = *document->asObject();
    root.insertOrAssign("added", 1);
    root.find("numbers")->asArray()->emplace_back(5);
    const std::string changed = written(*document);
    Value moved = std::move(*root.find("nested"));
    Value movedNumbers = std::move(*root.find("numbers"));
    Object movedRoot = std::move(root);
    document.reset();
    // The next document of the thread takes over the freed memory: overwrite it.
    EXPECT_FALSE(parse(std::string(text.size(), ' ')));
    EXPECT_EQ(written(copied), before);
    EXPECT_EQ(written(moved), R"({"deep":[["x"]]})");
    EXPECT_EQ(written(movedNumbers), "[1.25,-3,1e400,0.00002,5]");
    EXPECT_EQ(written(Value(std::move(movedRoot))), changed);
}

// Texts, arrays and objects larger than the arena's chunks, and documents of different sizes one
// after the other on the chunks that earlier ones gave back.
TEST(Document, DocumentsOfAnySizeParseWhole)
{
    for (const std::size_t count : { 300'000, 10, 120'000 }) {
        std::string escaped(count * 10, 'x');
        for (std::size_t i = 0; i < escaped.size(); i += 100)
            escaped[i] = '\n';
        std::string text = "{\"numbers\":[";
        for (std::size_t i = 0; i < count; ++i)
            text += (i ? ",-" : "-") + std::to_string(i) + ".5";
        text += "],\"text\":" + written(Value(escaped)) + "}";
        const std::optional<Document> document = parse(text);
        ASSERT_TRUE(document) << count;
        const Array& numbers = *document->asObject()->find("numbers")->asArray();
        ASSERT_EQ(numbers.size(), count);
        EXPECT_EQ(numbers.back().asNumber()->stringValue(), "-" + std::to_string(count - 1) + ".5");
        EXPECT_EQ(*document->asObject()->find("text")->asString(), escaped);
        EXPECT_EQ(written(*document), text);
    }
}

// Freed chunks wait in a cache of the thread that frees them: documents parsed on one thread and
// destroyed on another leave both parsing, and a thread's cache goes with the thread (the sanitizer
// build checks that nothing leaks).
TEST(Document, DocumentsDestroyedOnAnotherThreadLeaveBothThreadsParsing)
{
    std::string text = "[";
    for (int i = 0; i < 20'000; ++i)
        text += "\"element " + std::to_string(i) + "\",";
    text += "{\"last\":true}]";
    std::vector<Document> documents;
    std::thread([&] {
        for (int i = 0; i < 8; ++i)
            documents.push_back(std::move(*parse(text)));
    }).join();
    documents.clear();
    std::thread([&] {
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(written(*parse(text)), text);
    }).join();
    EXPECT_EQ(written(*parse(text)), text);
}

TEST(Document, StringsAndNumbersReferToTheInputOnlyWhenAskedTo)
{
    const std::string text = R"(["plain","with\tescape",12.5])";
    for (const bool referencesInput : { false, true }) {
        std::optional<Document> document = parse(text, referencesInput);
        ASSERT_TRUE(document);
        const Array& list = *document->asArray();
        EXPECT_EQ(liesIn(*list[0].asString(), text), referencesInput);
        EXPECT_FALSE(liesIn(*list[1].asString(), text));
        EXPECT_EQ(*list[1].asString(), "with\tescape");
        Document moved = std::move(*document);
        document.reset();
        EXPECT_EQ(written(moved), R"(["plain","with\tescape",12.5])");
    }
}

} // namespace
