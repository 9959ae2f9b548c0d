#include "ZQJsonOperations.h"

#include "Log.h"
#include "ZQJsonParser.h"
#include "ZQJsonWriter.h"

namespace json {

namespace {

std::optional<Document> parse(std::string_view text, bool allowScalar, std::string_view operation)
{
    ZQJsonParser parser;
    std::optional<Document> value = parser.objectWithStringAllowScalar(text, allowScalar);
    if (!value)
        base::log(
            std::string(operation) + " failed. Error trace is: " + describeErrorTrace(parser.errorTrace()));
    return value;
}

std::optional<std::string> write(const Value& value, bool allowScalar, std::string_view operation)
{
    ZQJsonWriter writer;
    std::optional<std::string> text = writer.stringWithObjectAllowScalar(value, allowScalar);
    if (!text)
        base::log(
            std::string(operation) + " failed. Error trace is: " + describeErrorTrace(writer.errorTrace()));
    return text;
}

} // namespace

std::optional<Document> JSONValue(std::string_view text)
{
    return parse(text, false, "-JSONValue");
}

std::optional<Document> JSONFragmentValue(std::string_view text)
{
    return parse(text, true, "-JSONFragmentValue");
}

std::optional<std::string> JSONRepresentation(const Value& value)
{
    return write(value, false, "-JSONRepresentation");
}

std::optional<std::string> JSONFragment(const Value& value)
{
    return write(value, true, "-JSONFragment");
}

} // namespace json
