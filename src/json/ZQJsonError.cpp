#include "ZQJsonError.h"

namespace json {

ZQJsonError::ZQJsonError(
    unsigned code, std::string description, std::shared_ptr<const ZQJsonError> underlyingError)
    : code_(code)
    , description_(std::move(description))
    , underlyingError_(std::move(underlyingError))
{ }

std::string describeErrorTrace(const ZQJsonErrorTrace* trace)
{
    if (!trace)
        return "(none)";
    std::string text = "[";
    for (const auto& error : *trace) {
        if (text.size() > 1)
            text += ", ";
        text += std::to_string(error->code());
        text += " \"";
        text += error->localizedDescription();
        text += '"';
    }
    text += ']';
    return text;
}

} // namespace json
