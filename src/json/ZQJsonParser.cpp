#include "ZQJsonParser.h"

#include "Utf8.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

namespace json {

namespace {

bool isWhitespace(char c)
{
    // Space, tab, line feed, vertical tab, form feed, carriage return.
    return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t';
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

std::optional<Value> ZQJsonParser::objectWithStringAllowScalar(
    std::optional<std::string_view> text, bool allowScalar)
{
    clearErrorTrace();
    if (!text) {
        addErrorWithCodeDescription(ZQJsonErrorNilInput, "Input was 'nil'");
        return std::nullopt;
    }
    depth_ = 0;
    c_ = text->data();
    end_ = c_ + text->size();

    Value value;
    const bool scanned = scanValue(value);
    const bool atEnd = scanned && scanIsAtEnd();
    c_ = end_ = nullptr;
    // A failure leaves the parts built so far on the stacks.
    elementStack_.clear();
    memberStack_.clear();
    if (!scanned)
        return std::nullopt;
    if (!atEnd) {
        addErrorWithCodeDescription(ZQJsonErrorTextAfterValue, "Garbage after JSON");
        return std::nullopt;
    }
    if (!allowScalar && value.kind() != Value::Kind::Object && value.kind() != Value::Kind::Array) {
        addErrorWithCodeDescription(ZQJsonErrorFragment, "Valid fragment, but not JSON");
        return std::nullopt;
    }
    return value;
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
        return scanRestOfString(value.emplaceString());
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

template<typename Place> bool ZQJsonParser::scanValueInPlace(Place place)
{
    skipWhitespace();
    if (current() != '{' && current() != '[')
        return scanValue(place());
    Value container;
    if (!scanValue(container))
        return false;
    place() = std::move(container);
    return true;
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
            Object object;
            object.assignMembers(memberStack_.data() + base, memberStack_.data() + memberStack_.size());
            memberStack_.erase(memberStack_.begin() + static_cast<std::ptrdiff_t>(base), memberStack_.end());
            value = Value(std::move(object));
            return true;
        }
        if (current() != '"') {
            addErrorWithCodeDescription(ZQJsonErrorSyntax, "Object key string expected");
            return false;
        }
        ++c_;
        // The key is read straight into its place on the stack; the value is read aside, since
        // reading it may grow the stack.
        const std::size_t position = memberStack_.size();
        std::string& key = memberStack_.emplace_back().key;
        if (!scanRestOfString(key)) {
            addErrorWithCodeDescription(ZQJsonErrorSyntax, "Object key string expected");
            return false;
        }
        skipWhitespace();
        if (current() != ':') {
            addErrorWithCodeDescription(ZQJsonErrorSyntax, "Expected ':' separating key and value");
            return false;
        }
        ++c_;
        if (!scanValueInPlace([this, position]() -> Value& { return memberStack_[position].value; })) {
            addErrorWithCodeDescription(
                ZQJsonErrorSyntax, "Object value expected for key: " + memberStack_[position].key);
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
            const auto first = elementStack_.begin() + static_cast<std::ptrdiff_t>(base);
            value
                = Value(Array(std::make_move_iterator(first), std::make_move_iterator(elementStack_.end())));
            elementStack_.erase(
                elementStack_.begin() + static_cast<std::ptrdiff_t>(base), elementStack_.end());
            return true;
        }
        if (!scanValueInPlace([this]() -> Value& { return elementStack_.emplace_back(); })) {
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

bool ZQJsonParser::scanRestOfString(std::string& text)
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
                text.assign(scratch_);
            } else {
                text.assign(run, c_);
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
    value = Value(true);
    return true;
}

bool ZQJsonParser::scanRestOfFalse(Value& value)
{
    if (!scanLiteralRest("alse")) {
        addErrorWithCodeDescription(ZQJsonErrorSyntax, "Expected 'false'");
        return false;
    }
    value = Value(false);
    return true;
}

bool ZQJsonParser::scanRestOfNull(Value& value)
{
    if (!scanLiteralRest("ull")) {
        addErrorWithCodeDescription(ZQJsonErrorSyntax, "Expected 'null'");
        return false;
    }
    value = Value();
    return true;
}

bool ZQJsonParser::scanNumber(Value& value)
{
    Decimal number;
    const Decimal::ParseResult result = Decimal::parse(c_, end_, number);
    c_ = result.end;
    switch (result.error) {
    case Decimal::ParseError::None:
        value = Value(number);
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
