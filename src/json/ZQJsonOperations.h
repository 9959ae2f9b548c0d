#pragma once

#include "Document.h"
#include "Value.h"

#include <optional>
#include <string>
#include <string_view>

namespace json {

// One-call conversions, each with a new parser or writer (no depth limit beyond the parser's guard;
// compact output, keys unsorted). A failure logs one line with the error trace (see
// describeErrorTrace) through the codec's log and returns none.

// An object or array; logs "-JSONValue failed. Error trace is: <trace>".
std::optional<Document> JSONValue(std::string_view text);
// Any JSON value; logs "-JSONFragmentValue failed. Error trace is: <trace>".
std::optional<Document> JSONFragmentValue(std::string_view text);
// Text of an object or array; logs "-JSONRepresentation failed. Error trace is: <trace>".
std::optional<std::string> JSONRepresentation(const Value& value);
// Text of any value; logs "-JSONFragment failed. Error trace is: <trace>".
std::optional<std::string> JSONFragment(const Value& value);

} // namespace json
