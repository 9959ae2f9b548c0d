#pragma once

#include "TextBuffer.h"
#include "Value.h"
#include "ZQJsonBase.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace json {

// Writes values as JSON text: compact by default; `humanReadable` puts each member or element on its
// own line, indented by two spaces per level, with " : " between key and value; `sortKeys` writes
// members in ascending key order (byte order of the UTF-8 keys, which is code point order).
// Otherwise members keep their order in the object.
//
// Failures (error 1) return none and leave a trace (see ZQJsonBase): a foreign value ("JSON
// serialisation not supported for <type name>"), a text that is not well-formed UTF-8 (type name
// "invalid UTF-8 text"), and a key that is not well-formed UTF-8 ("JSON object key must be string";
// keys are always texts otherwise). Each enclosing object adds "Unsupported value for key <key> in
// object". Values nested deeper than ZQJsonParser::kDepthGuard fail with error 7 "Nested too deep".
// A writer can be reused; its options persist. It keeps its output buffer (as large as the longest
// text it wrote) for the next call, so that repeated writes reuse memory already touched; each call
// returns a copy of exactly the text's size. One thread at a time.
class ZQJsonWriter : public ZQJsonBase {
public:
    // The JSON text of `value`, or none. With `allowScalar` false only an object or an array is
    // accepted at the top level (error 4 "Not valid type for JSON").
    std::optional<std::string> stringWithObjectAllowScalar(const Value& value, bool allowScalar);

    bool humanReadable() const { return humanReadable_; }
    void setHumanReadable(bool humanReadable) { humanReadable_ = humanReadable; }
    bool sortKeys() const { return sortKeys_; }
    void setSortKeys(bool sortKeys) { sortKeys_ = sortKeys; }

private:
    bool appendValueInto(const Value& value, TextBuffer& buffer);
    bool appendArrayInto(const Array& array, TextBuffer& buffer);
    bool appendDictionaryInto(const Object& object, TextBuffer& buffer);
    bool appendMemberInto(const Member& member, bool first, TextBuffer& buffer);
    // False (adding no error) when `text` is not well-formed UTF-8, which is not checked again when
    // it is `knownValid`.
    bool appendStringInto(std::string_view text, bool knownValid, TextBuffer& buffer);
    void appendNumberInto(const Value& number, TextBuffer& buffer);
    bool enterNesting();
    // Add the errors of a value that cannot be written, or of a member whose value cannot, and
    // return false; kept apart from the writing paths, which they would otherwise slow down.
    [[gnu::cold, gnu::noinline]] bool failUnsupported(std::string_view typeName);
    [[gnu::cold, gnu::noinline]] bool failMember(std::string_view key);
    // A line feed and two spaces per level of the current depth.
    std::string_view indent();

    bool sortKeys_ = false;
    bool humanReadable_ = false;
    std::uint32_t depth_ = 0;
    std::string indentText_;
    TextBuffer buffer_;
};

} // namespace json
