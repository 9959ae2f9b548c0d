#pragma once

#include "Value.h"
#include "ZQJsonBase.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace json {

// Reads JSON text (UTF-8) into values, in one pass with one byte of look-ahead.
//
// Failures return none and leave a trace of errors, first cause first (see ZQJsonBase); nothing is
// thrown. Strings must be well-formed UTF-8: other bytes fail with error 6 "Broken unicode
// character". Nesting is limited by `maxDepth` (0: no limit of its own) and in any case by
// `kDepthGuard`, so that deeply nested input fails with error 7 "Nested too deep" instead of
// exhausting the stack.
//
// Missing commas between members or elements are accepted; trailing commas are not. A parser can be
// reused; each call starts afresh. One thread at a time.
class ZQJsonParser : public ZQJsonBase {
public:
    static constexpr std::uint32_t kDepthGuard = 2048;

    // The value of `text`, or none. With `allowScalar` false only an object or an array may stand at
    // the top level. Absent text fails with error 12. The text is read in place, not copied.
    std::optional<Value> objectWithStringAllowScalar(std::optional<std::string_view> text, bool allowScalar);

    std::uint32_t maxDepth() const { return maxDepth_; }
    void setMaxDepth(std::uint32_t maxDepth) { maxDepth_ = maxDepth; }

private:
    bool scanValue(Value& value);
    bool scanRestOfDictionary(Value& value);
    bool scanRestOfArray(Value& value);
    bool scanRestOfString(std::string& text);
    bool scanRestOfTrue(Value& value);
    bool scanRestOfFalse(Value& value);
    bool scanRestOfNull(Value& value);
    bool scanNumber(Value& value);
    bool scanUnicodeChar(char32_t& character);
    bool scanHexQuad(std::uint16_t& quad);
    bool scanIsAtEnd();

    // Reads a value into `place()`, a place on one of the stacks. An object or an array grows the
    // stacks while it is read, which may move that place: it is read aside and moved in when complete.
    template<typename Place> bool scanValueInPlace(Place place);
    bool enterNesting();
    void skipWhitespace();
    bool scanLiteralRest(std::string_view rest);
    char current() const { return c_ < end_ ? *c_ : '\0'; }

    const char* c_ = nullptr;
    const char* end_ = nullptr;
    std::uint32_t depth_ = 0;
    std::uint32_t maxDepth_ = 0;
    // Reused between values and calls, so that each string, array and object is allocated once, at
    // its final size: strings with escapes are assembled in `scratch_`; the elements and members of
    // the open arrays and objects wait on the two stacks.
    std::string scratch_;
    std::vector<Value> elementStack_;
    std::vector<Member> memberStack_;
};

} // namespace json
