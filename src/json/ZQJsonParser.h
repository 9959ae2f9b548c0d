#pragma once

#include "Document.h"
#include "NodeStack.h"
#include "Value.h"
#include "ZQJsonBase.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace json {

// Reads JSON text (UTF-8) into values, in one pass with one byte of look-ahead.
//
// Failures return none and leave a trace of errors, first cause first (see ZQJsonBase); nothing is
// thrown. Strings must be well-formed UTF-8: other bytes fail with error 6 "Broken unicode
// character". Nesting is limited by `maxDepth` (0: no limit of its own) and in any case by
// `kDepthGuard`, so that deeply nested input fails with error 7 "Nested too deep" instead of
// exhausting the stack.
//
// Missing commas between members or elements are accepted; trailing commas are not. Texts of 4 GiB or
// more fail with error 3. A parser can be reused; each call starts afresh. One thread at a time.
//
// The document keeps copies of the input's strings and numbers; with `referencesInput` set they
// refer to the input itself instead, which then must outlive the document (strings with escapes are
// always copied).
class ZQJsonParser : public ZQJsonBase {
public:
    static constexpr std::uint32_t kDepthGuard = 2048;

    // The value of `text`, or none. With `allowScalar` false only an object or an array may stand at
    // the top level. Absent text fails with error 12.
    std::optional<Document> objectWithStringAllowScalar(
        std::optional<std::string_view> text, bool allowScalar);

    std::uint32_t maxDepth() const { return maxDepth_; }
    void setMaxDepth(std::uint32_t maxDepth) { maxDepth_ = maxDepth; }
    bool referencesInput() const { return referencesInput_; }
    void setReferencesInput(bool referencesInput) { referencesInput_ = referencesInput; }

private:
    bool scanValue(Value& value);
    bool scanRestOfDictionary(Value& value);
    bool scanRestOfArray(Value& value);
    // Reads a string into `text`, a text that is empty and owns nothing.
    bool scanRestOfString(Text& text);
    bool scanRestOfTrue(Value& value);
    bool scanRestOfFalse(Value& value);
    bool scanRestOfNull(Value& value);
    bool scanNumber(Value& value);
    bool scanUnicodeChar(char32_t& character);
    bool scanHexQuad(std::uint16_t& quad);
    bool scanIsAtEnd();

    // Reads a value into the slot on one of the stacks that `place()` gives. Scalars are read
    // straight into it; an object or an array grows the stacks while it is read, which may move the
    // slot, so it is read aside and moved in when complete.
    template<typename Place> bool scanValueInto(Place place);
    // Moves an array or object of the document, just made, from `from` (then null) to `to` (raw).
    static void moveContainer(Value& from, Value& to);
    bool enterNesting();
    // The array of the elements from `base` up, or object of the members, made in the document.
    void makeArray(std::size_t base, Value& value);
    void makeObject(std::size_t base, Value& value);
    // Copies the members into `into` in order, a later member with the key of an earlier one
    // replacing that one's value in its place; returns how many were kept.
    static std::uint32_t copyDistinctMembers(const Member* first, std::uint32_t count, Member* into);
    static std::uint32_t copyDistinctMembersIndexed(
        const Member* first, std::uint32_t count, Member* into, std::uint32_t* index);
    bool scanNumberSlowly(const char* start, Value& value);
    // Makes `value` (null) a number referring to its text in the document, which is `written` when it
    // is the text that writing the number gives.
    static void setNumberText(Value& value, std::string_view text, bool written);
    // Where the document keeps a text or number read from the input: the input itself when the
    // document refers to it, else a copy.
    std::string_view keep(std::string_view text);
    std::string_view copyToDocument(std::string_view text);
    void skipWhitespace();
    bool scanLiteralRest(std::string_view rest);
    char current() const { return c_ < end_ ? *c_ : '\0'; }

    const char* c_ = nullptr;
    const char* end_ = nullptr;
    std::uint32_t depth_ = 0;
    std::uint32_t maxDepth_ = 0;
    bool referencesInput_ = false;
    // The document being read into.
    Arena* arena_ = nullptr;
    // Reused between values and calls, so that each string, array and object is made once, at its
    // final size: strings with escapes are assembled in `scratch_`; the elements and members of the
    // open arrays and objects wait on the two stacks.
    std::string scratch_;
    NodeStack<Value> elementStack_;
    NodeStack<Member> memberStack_;
};

} // namespace json
