#include "ZQJsonParser.h"

#include "Utf8.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

namespace json {

namespace {

bool isWhitespace(char c)
{
    // Space, tab, line feed, vertical tab, form feed, carriage return.
    return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t';
}

bool isDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

// The end of the run of digits from `p`, eight bytes at a time where it can.
const char* skipDigits(const char* p, const char* end)
{
    constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ULL;
    constexpr std::uint64_t kZeros = 0x3030303030303030ULL;
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if constexpr (std::endian::native == std::endian::big)
            word = __builtin_bswap64(word);
        // Per byte, non-zero unless it is a digit: its high nibble is not 3, or its low nibble above
        // 9 carries into the high one. A carry out of a byte only disturbs bytes after it.
        const std::uint64_t other
            = ((word & kHighNibbles) ^ kZeros) | (((word + 0x0606060606060606ULL) & kHighNibbles) ^ kZeros);
        if (other != 0)
            return p + (std::countr_zero(other) >> 3);
        p += 8;
    }
    while (p < end && isDigit(*p))
        ++p;
    return p;
}

int hexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string withByte(const char* format, unsigned char byte)
{
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(byte));
    return text;
}

} // namespace

std::optional<Document> ZQJsonParser::objectWithStringAllowScalar(
    std::optional<std::string_view> text, bool allowScalar)
{
    clearErrorTrace();
    if (!text) {
        addErrorWithCodeDescription(ZQJsonErrorNilInput, "Input was 'nil'");
        return std::nullopt;
    }
    if (text->size() > std::numeric_limits<std::uint32_t>::max()) {
        addErrorWithCodeDescription(ZQJsonErrorSyntax, "Input of 4 GiB or more");
        return std::nullopt;
    }
    Document document;
    // The tree takes about as much memory as the text: one chunk for most documents.
    document.arena.expect(text->size() + text->size() / 2);
    depth_ = 0;
    c_ = text->data();
    end_ = c_ + text->size();
    arena_ = &document.arena;

    const bool scanned = scanValue(document);
    const bool atEnd = scanned && scanIsAtEnd();
    c_ = end_ = nullptr;
    arena_ = nullptr;
    // A failure leaves the parts built so far on the stacks.
    elementStack_.popTo(0);
    memberStack_.popTo(0);
    if (!scanned)
        return std::nullopt;
    if (!atEnd) {
        addErrorWithCodeDescription(ZQJsonErrorTextAfterValue, "Garbage after JSON");
        return std::nullopt;
    }
    if (!allowScalar && document.kind() != Value::Kind::Object && document.kind() != Value::Kind::Array) {
        addErrorWithCodeDescription(ZQJsonErrorFragment, "Valid fragment, but not JSON");
        return std::nullopt;
    }
    return document;
}

void ZQJsonParser::skipWhitespace()
{
    // Tokens are mostly followed by no whitespace or by one space; indentation comes as runs of spaces
    // after a line feed, taken eight at a time.
    constexpr std::uint64_t kEightSpaces = 0x2020202020202020ULL;
    const char* p = c_;
    while (p < end_ && isWhitespace(*p)) {
        ++p;
        while (end_ - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            const std::uint64_t other = word ^ kEightSpaces;
            if (other != 0) {
                const int spaces = std::endian::native == std::endian::little ? std::countr_zero(other)
                                                                              : std::countl_zero(other);
                p += spaces >> 3;
                break;
            }
            p += 8;
        }
    }
    c_ = p;
}

bool ZQJsonParser::enterNesting()
{
    ++depth_;
    const std::uint32_t limit = maxDepth_ == 0 ? kDepthGuard : std::min(maxDepth_, kDepthGuard);
    if (depth_ > limit) {
        addErrorWithCodeDescription(ZQJsonErrorDepth, "Nested too deep");
        return false;
    }
    return true;
}

bool ZQJsonParser::scanValue(Value& value)
{
    skipWhitespace();
    if (c_ == end_) {
        addErrorWithCodeDescription(ZQJsonErrorEndOfInput, "Unexpected end of string");
        return false;
    }
    switch (*c_++) {
    case '{':
        return scanRestOfDictionary(value);
    case '[':
        return scanRestOfArray(value);
    case '"':
        value.kind_ = Value::Kind::String;
        ::new (static_cast<void*>(&value.string_)) Text();
        return scanRestOfString(value.string_);
    case 't':
        return scanRestOfTrue(value);
    case 'f':
        return scanRestOfFalse(value);
    case 'n':
        return scanRestOfNull(value);
    case '-':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
        --c_;
        return scanNumber(value);
    case '+':
        addErrorWithCodeDescription(ZQJsonErrorNumber, "Leading + disallowed in number");
        return false;
    case '\0':
        addErrorWithCodeDescription(ZQJsonErrorEndOfInput, "Unexpected end of string");
        return false;
    default:
        addErrorWithCodeDescription(ZQJsonErrorSyntax, "Unrecognised leading character");
        return false;
    }
}

template<typename Place> bool ZQJsonParser::scanValueInto(Place place)
{
    skipWhitespace();
    if (current() != '{' && current() != '[') {
        Value* slot = place();
        slot->kind_ = Value::Kind::Null;
        return scanValue(*slot);
    }
    Value container;
    if (!scanValue(container))
        return false;
    moveContainer(container, *place());
    return true;
}

std::string_view ZQJsonParser::keep(std::string_view text)
{
    return referencesInput_ ? text : copyToDocument(text);
}

std::string_view ZQJsonParser::copyToDocument(std::string_view text)
{
    if (text.empty())
        return { "", 0 };
    char* copy = static_cast<char*>(arena_->allocate(text.size()));
    const std::size_t size = text.size();
    const char* from = text.data();
    // Most texts and numbers are short: copied inline, as two overlapping pieces, rather than by a
    // call.
    const auto copyOverlapping = [&](auto piece) {
        std::memcpy(&piece, from, sizeof piece);
        std::memcpy(copy, &piece, sizeof piece);
        std::memcpy(&piece, from + size - sizeof piece, sizeof piece);
        std::memcpy(copy + size - sizeof piece, &piece, sizeof piece);
    };
    if (size >= 16 && size <= 32)
        copyOverlapping(std::array<std::uint64_t, 2> {});
    else if (size >= 8 && size < 16)
        copyOverlapping(std::uint64_t {});
    else
        std::memcpy(copy, from, size);
    return { copy, size };
}

void ZQJsonParser::moveContainer(Value& from, Value& to)
{
    // Field by field, as the container was just written: a wider copy would wait for those stores.
    if (from.kind_ == Value::Kind::Array) {
        to.array_.data_ = from.array_.data_;
        to.array_.size_ = from.array_.size_;
        to.array_.capacity_ = 0;
    } else {
        to.object_.data_ = from.object_.data_;
        to.object_.size_ = from.object_.size_;
        to.object_.capacity_ = 0;
        to.object_.index_ = from.object_.index_;
    }
    to.kind_ = std::exchange(from.kind_, Value::Kind::Null);
    to.numberForm_ = Value::NumberForm::Decimal;
}

bool ZQJsonParser::scanRestOfDictionary(Value& value)
{
    if (!enterNesting())
        return false;
    // Members collect on the shared stack; the object is made once, at its final size.
    const std::size_t base = memberStack_.size();
    for (;;) {
        if (c_ == end_) {
            addErrorWithCodeDescription(ZQJsonErrorEndOfInput, "End of input while parsing object");
            return false;
        }
        skipWhitespace();
        if (current() == '}') {
            ++c_;
            --depth_;
            makeObject(base, value);
            return true;
        }
        if (current() != '"') {
            addErrorWithCodeDescription(ZQJsonErrorSyntax, "Object key string expected");
            return false;
        }
        ++c_;
        // The key is read straight into its place on the stack, and so is the value unless it is an
        // array or an object (see scanValueInto).
        const std::size_t position = memberStack_.size();
        Text* key = ::new (static_cast<void*>(&memberStack_.push()->key)) Text();
        if (!scanRestOfString(*key)) {
            addErrorWithCodeDescription(ZQJsonErrorSyntax, "Object key string expected");
            return false;
        }
        skipWhitespace();
        if (current() != ':') {
            addErrorWithCodeDescription(ZQJsonErrorSyntax, "Expected ':' separating key and value");
            return false;
        }
        ++c_;
        if (!scanValueInto([this, position]() { return &memberStack_.at(position)->value; })) {
            addErrorWithCodeDescription(
                ZQJsonErrorSyntax, "Object value expected for key: " + memberStack_.at(position)->key.str());
            return false;
        }
        skipWhitespace();
        if (current() == ',') {
            ++c_;
            skipWhitespace();
            if (current() == '}') {
                addErrorWithCodeDescription(ZQJsonErrorTrailingComma, "Trailing comma disallowed in object");
                return false;
            }
        }
    }
}

void ZQJsonParser::makeObject(std::size_t base, Value& value)
{
    const auto count = static_cast<std::uint32_t>(memberStack_.size() - base);
    ::new (static_cast<void*>(&value.object_)) Object();
    value.kind_ = Value::Kind::Object;
    if (count == 0)
        return;
    const Member* first = memberStack_.at(base);
    auto* members = static_cast<Member*>(arena_->allocate(count * sizeof(Member)));
    Object& object = value.object_;
    object.data_ = members;
    if (count <= Object::kIndexThreshold) {
        object.size_ = copyDistinctMembers(first, count, members);
    } else {
        std::uint32_t slots = 64;
        while (slots < count * 2)
            slots *= 2;
        auto* index = static_cast<std::uint32_t*>(arena_->allocate((slots + 1) * sizeof(std::uint32_t)));
        std::memset(index, 0, (slots + 1) * sizeof(std::uint32_t));
        index[0] = slots;
        object.index_ = index;
        object.size_ = copyDistinctMembersIndexed(first, count, members, index);
    }
    memberStack_.popTo(base);
}

std::uint32_t ZQJsonParser::copyDistinctMembers(const Member* first, std::uint32_t count, Member* into)
{
    // Keys are nearly always distinct: compare hashes first, and copy all at once when they are.
    std::size_t hashes[Object::kIndexThreshold];
    std::uint32_t sameHashes = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        hashes[i] = Object::hashOf(first[i].key);
        for (std::uint32_t j = 0; j < i; ++j)
            sameHashes += hashes[j] == hashes[i] ? 1 : 0;
    }
    if (sameHashes == 0) {
        std::memcpy(static_cast<void*>(into), static_cast<const void*>(first), count * sizeof(Member));
        return count;
    }
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t position = 0;
        while (position < kept && (hashes[position] != hashes[i] || into[position].key != first[i].key))
            ++position;
        if (position == kept) {
            hashes[kept] = hashes[i];
            ++kept;
        }
        std::memcpy(static_cast<void*>(&into[position]), static_cast<const void*>(&first[i]), sizeof(Member));
    }
    return kept;
}

std::uint32_t ZQJsonParser::copyDistinctMembersIndexed(
    const Member* first, std::uint32_t count, Member* into, std::uint32_t* index)
{
    const std::uint32_t mask = index[0] - 1;
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t slot = static_cast<std::uint32_t>(Object::hashOf(first[i].key)) & mask;
        std::uint32_t entry;
        while ((entry = index[1 + slot]) != 0 && into[entry - 1].key != first[i].key)
            slot = (slot + 1) & mask;
        std::uint32_t position = entry - 1;
        if (entry == 0) {
            position = kept++;
            index[1 + slot] = position + 1;
        }
        std::memcpy(static_cast<void*>(&into[position]), static_cast<const void*>(&first[i]), sizeof(Member));
    }
    return kept;
}

bool ZQJsonParser::scanRestOfArray(Value& value)
{
    if (!enterNesting())
        return false;
    // Elements collect on the shared stack; the array is made once, at its final size.
    const std::size_t base = elementStack_.size();
    for (;;) {
        if (c_ == end_) {
            addErrorWithCodeDescription(ZQJsonErrorEndOfInput, "End of input while parsing array");
            return false;
        }
        skipWhitespace();
        if (current() == ']') {
            ++c_;
            --depth_;
            makeArray(base, value);
            return true;
        }
        if (!scanValueInto([this]() { return elementStack_.push(); })) {
            addErrorWithCodeDescription(ZQJsonErrorSyntax, "Expected value while parsing array");
            return false;
        }
        skipWhitespace();
        if (current() == ',') {
            ++c_;
            skipWhitespace();
            if (current() == ']') {
                addErrorWithCodeDescription(ZQJsonErrorTrailingComma, "Trailing comma disallowed in array");
                return false;
            }
        }
    }
}

void ZQJsonParser::makeArray(std::size_t base, Value& value)
{
    const auto count = static_cast<std::uint32_t>(elementStack_.size() - base);
    ::new (static_cast<void*>(&value.array_)) Array();
    value.kind_ = Value::Kind::Array;
    if (count == 0)
        return;
    auto* elements = static_cast<Value*>(arena_->allocate(count * sizeof(Value)));
    std::memcpy(static_cast<void*>(elements), static_cast<const void*>(elementStack_.at(base)),
        count * sizeof(Value));
    value.array_.data_ = elements;
    value.array_.size_ = count;
    elementStack_.popTo(base);
}

bool ZQJsonParser::scanRestOfString(Text& text)
{
    bool assembling = false;
    for (;;) {
        const char* run = c_;
        bool sawHighByte = false;
        c_ = utf8::findSpecial(c_, end_, sawHighByte);
        if (sawHighByte && !utf8::isValid(run, c_)) {
            addErrorWithCodeDescription(ZQJsonErrorUnicode, "Broken unicode character");
            return false;
        }
        const auto stop = static_cast<unsigned char>(current());
        if (stop == '"') {
            if (assembling) {
                scratch_.append(run, c_);
                ::new (static_cast<void*>(&text)) Text(Text::referringToValid(copyToDocument(scratch_)));
            } else {
                ::new (static_cast<void*>(&text))
                    Text(Text::referringToValid(keep({ run, static_cast<std::size_t>(c_ - run) })));
            }
            ++c_;
            return true;
        }
        if (!assembling) {
            scratch_.clear();
            assembling = true;
        }
        scratch_.append(run, c_);
        if (stop != '\\') {
            addErrorWithCodeDescription(
                ZQJsonErrorControlCharacter, withByte("Unescaped control character '0x%x'", stop));
            return false;
        }
        ++c_;
        const auto escape = static_cast<unsigned char>(current());
        switch (escape) {
        case '"':
        case '\\':
        case '/':
            scratch_ += static_cast<char>(escape);
            ++c_;
            break;
        case 'b':
            scratch_ += '\b';
            ++c_;
            break;
        case 'f':
            scratch_ += '\f';
            ++c_;
            break;
        case 'n':
            scratch_ += '\n';
            ++c_;
            break;
        case 'r':
            scratch_ += '\r';
            ++c_;
            break;
        case 't':
            scratch_ += '\t';
            ++c_;
            break;
        case 'u': {
            ++c_;
            char32_t character;
            if (!scanUnicodeChar(character)) {
                addErrorWithCodeDescription(ZQJsonErrorUnicode, "Broken unicode character");
                return false;
            }
            utf8::append(scratch_, character);
            break;
        }
        default:
            addErrorWithCodeDescription(
                ZQJsonErrorEscape, withByte("Illegal escape sequence '0x%x'", escape));
            return false;
        }
        if (c_ == end_) {
            addErrorWithCodeDescription(ZQJsonErrorEndOfInput, "Unexpected EOF while parsing string");
            return false;
        }
    }
}

bool ZQJsonParser::scanUnicodeChar(char32_t& character)
{
    std::uint16_t high;
    if (!scanHexQuad(high)) {
        addErrorWithCodeDescription(ZQJsonErrorUnicode, "Missing hex quad");
        return false;
    }
    if (high < 0xD800 || high > 0xDFFF) {
        character = high;
        return true;
    }
    if (high >= 0xDC00) {
        addErrorWithCodeDescription(ZQJsonErrorUnicode, "Invalid high character in surrogate pair");
        return false;
    }
    std::uint16_t low = 0;
    bool lowFound = current() == '\\';
    if (lowFound) {
        ++c_;
        lowFound = current() == 'u';
    }
    if (lowFound) {
        ++c_;
        lowFound = scanHexQuad(low);
    }
    if (!lowFound) {
        addErrorWithCodeDescription(ZQJsonErrorUnicode, "Missing low character in surrogate pair");
        return false;
    }
    if (low < 0xDC00 || low > 0xDFFF) {
        addErrorWithCodeDescription(ZQJsonErrorUnicode, "Invalid low surrogate char");
        return false;
    }
    character
        = 0x10000 + (static_cast<char32_t>(high) - 0xD800) * 0x400 + (static_cast<char32_t>(low) - 0xDC00);
    return true;
}

bool ZQJsonParser::scanHexQuad(std::uint16_t& quad)
{
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<unsigned char>(current());
        if (c_ < end_)
            ++c_;
        const int digit = hexValue(byte);
        if (digit < 0) {
            addErrorWithCodeDescription(ZQJsonErrorUnicode, "Missing hex digit in quad");
            return false;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    quad = static_cast<std::uint16_t>(value);
    return true;
}

bool ZQJsonParser::scanLiteralRest(std::string_view rest)
{
    if (static_cast<std::size_t>(end_ - c_) < rest.size() || std::memcmp(c_, rest.data(), rest.size()) != 0)
        return false;
    c_ += rest.size();
    return true;
}

bool ZQJsonParser::scanRestOfTrue(Value& value)
{
    if (!scanLiteralRest("rue")) {
        addErrorWithCodeDescription(ZQJsonErrorSyntax, "Expected 'true'");
        return false;
    }
    value.boolean_ = true;
    value.kind_ = Value::Kind::Boolean;
    return true;
}

bool ZQJsonParser::scanRestOfFalse(Value& value)
{
    if (!scanLiteralRest("alse")) {
        addErrorWithCodeDescription(ZQJsonErrorSyntax, "Expected 'false'");
        return false;
    }
    value.boolean_ = false;
    value.kind_ = Value::Kind::Boolean;
    return true;
}

bool ZQJsonParser::scanRestOfNull(Value& value)
{
    if (!scanLiteralRest("ull")) {
        addErrorWithCodeDescription(ZQJsonErrorSyntax, "Expected 'null'");
        return false;
    }
    value.kind_ = Value::Kind::Null;
    return true;
}

bool ZQJsonParser::scanNumber(Value& value)
{
    // Numbers are kept as their text. Plain ones (no exponent, at most 38 digits: always in range
    // and exact) are only checked here; the rest go through the decimal reader for the same checks.
    const char* const start = c_;
    const char* p = start + (*start == '-' ? 1 : 0);
    const char* const digitsBegin = p;
    if (p < end_ && *p == '0') {
        ++p;
    } else if (p < end_ && isDigit(*p)) {
        p = skipDigits(p + 1, end_);
    } else {
        return scanNumberSlowly(start, value);
    }
    const std::ptrdiff_t integerDigits = p - digitsBegin;
    // Whether the text is the one its value writes: see Decimal::writeTo.
    bool written = integerDigits <= 21;
    std::ptrdiff_t points = 0;
    if (p < end_ && *p == '.') {
        const char* const fractionBegin = ++p;
        p = skipDigits(p, end_);
        if (p == fractionBegin)
            return scanNumberSlowly(start, value);
        points = 1;
        written = written && p[-1] != '0';
        if (written && *digitsBegin == '0') {
            const char* significant = fractionBegin;
            while (significant < p && *significant == '0')
                ++significant;
            written = significant - fractionBegin <= 5;
        }
    }
    if (p - digitsBegin - points > Decimal::kMaxDigits || (p < end_ && (isDigit(*p) || (*p | 0x20) == 'e')))
        return scanNumberSlowly(start, value);
    c_ = p;
    setNumberText(value, keep({ start, static_cast<std::size_t>(p - start) }), written);
    return true;
}

void ZQJsonParser::setNumberText(Value& value, std::string_view text, bool written)
{
    value.numberText_ = text;
    value.numberForm_ = written ? Value::NumberForm::WrittenText : Value::NumberForm::Text;
    value.kind_ = Value::Kind::Number;
}

bool ZQJsonParser::scanNumberSlowly(const char* start, Value& value)
{
    Decimal number;
    const Decimal::ParseResult result = Decimal::parse(start, end_, number);
    c_ = result.end;
    switch (result.error) {
    case Decimal::ParseError::None:
        setNumberText(value, keep({ start, static_cast<std::size_t>(c_ - start) }), false);
        return true;
    case Decimal::ParseError::LeadingZero:
        addErrorWithCodeDescription(ZQJsonErrorNumber, "Leading 0 disallowed in number");
        return false;
    case Decimal::ParseError::NoDigitsAfterMinus:
        addErrorWithCodeDescription(ZQJsonErrorNumber, "No digits after initial minus");
        return false;
    case Decimal::ParseError::NoDigitsAfterPoint:
        addErrorWithCodeDescription(ZQJsonErrorNumber, "No digits after decimal point");
        return false;
    case Decimal::ParseError::NoDigitsAfterExponent:
        addErrorWithCodeDescription(ZQJsonErrorNumber, "No digits after exponent");
        return false;
    case Decimal::ParseError::OutOfRange:
        break;
    }
    addErrorWithCodeDescription(ZQJsonErrorNumber, "Failed creating decimal instance");
    return false;
}

bool ZQJsonParser::scanIsAtEnd()
{
    skipWhitespace();
    return c_ == end_;
}

} // namespace json
