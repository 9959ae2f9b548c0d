#include "ZQJSON.h"

namespace json {

ZQJSON::ZQJSON()
{
    jsonParser_.setMaxDepth(kDefaultMaxDepth);
}

void ZQJSON::takeTraceOf(const ZQJsonBase& failed, std::shared_ptr<const ZQJsonError>* error)
{
    const ZQJsonErrorTrace* trace = failed.errorTrace();
    replaceErrorTrace(trace ? *trace : ZQJsonErrorTrace {});
    if (error)
        *error = trace && !trace->empty() ? trace->back() : nullptr;
}

std::optional<Document> ZQJSON::objectWithStringAllowScalarError(
    std::optional<std::string_view> text, bool allowScalar, std::shared_ptr<const ZQJsonError>* error)
{
    std::optional<Document> value = jsonParser_.objectWithStringAllowScalar(text, allowScalar);
    if (!value)
        takeTraceOf(jsonParser_, error);
    return value;
}

std::optional<Document> ZQJSON::objectWithStringError(
    std::optional<std::string_view> text, std::shared_ptr<const ZQJsonError>* error)
{
    return objectWithStringAllowScalarError(text, false, error);
}

std::optional<Document> ZQJSON::fragmentWithStringError(
    std::optional<std::string_view> text, std::shared_ptr<const ZQJsonError>* error)
{
    return objectWithStringAllowScalarError(text, true, error);
}

std::optional<std::string> ZQJSON::stringWithObjectAllowScalarError(
    const Value& value, bool allowScalar, std::shared_ptr<const ZQJsonError>* error)
{
    std::optional<std::string> text = jsonWriter_.stringWithObjectAllowScalar(value, allowScalar);
    if (!text)
        takeTraceOf(jsonWriter_, error);
    return text;
}

std::optional<std::string> ZQJSON::stringWithObjectError(
    const Value& value, std::shared_ptr<const ZQJsonError>* error)
{
    return stringWithObjectAllowScalarError(value, false, error);
}

std::optional<std::string> ZQJSON::stringWithFragmentError(
    const Value& value, std::shared_ptr<const ZQJsonError>* error)
{
    return stringWithObjectAllowScalarError(value, true, error);
}

} // namespace json
