#include "ZQJsonWriter.h"

#include "Utf8.h"
#include "ZQJsonParser.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace json {

namespace {

bool isDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

// True when a parsed number's text is the text its value writes (see Decimal::writeTo), so that it
// can be copied as it is: no exponent, no trailing zero after the point, fewer than 22 integer
// digits and at most 38 significant ones, and below 1 at most five zeros after the point.
bool isWrittenAsItIs(std::string_view number)
{
    const char* p = number.data();
    const char* const end = p + number.size();
    if (*p == '-')
        ++p;
    const char* const integer = p;
    while (p < end && isDigit(*p))
        ++p;
    const std::ptrdiff_t integerDigits = p - integer;
    if (integerDigits > 21)
        return false;
    if (p == end)
        return true;
    if (*p != '.' || end[-1] == '0')
        return false;
    const char* const fraction = ++p;
    while (p < end && isDigit(*p))
        ++p;
    if (p != end)
        return false;
    if (*integer != '0')
        return integerDigits + (end - fraction) <= Decimal::kMaxDigits;
    const char* significant = fraction;
    while (*significant == '0')
        ++significant;
    return significant - fraction <= 5 && end - significant <= Decimal::kMaxDigits;
}

} // namespace

std::optional<std::string> ZQJsonWriter::stringWithObjectAllowScalar(const Value& value, bool allowScalar)
{
    clearErrorTrace();
    depth_ = 0;
    if (!allowScalar && value.kind() != Value::Kind::Object && value.kind() != Value::Kind::Array) {
        addErrorWithCodeDescription(ZQJsonErrorFragment, "Not valid type for JSON");
        return std::nullopt;
    }
    buffer_.clear();
    if (!appendValueInto(value, buffer_))
        return std::nullopt;
    return std::string(buffer_.text());
}

bool ZQJsonWriter::appendValueInto(const Value& value, TextBuffer& buffer)
{
    switch (value.kind()) {
    case Value::Kind::Object:
        return appendDictionaryInto(*value.asObject(), buffer);
    case Value::Kind::Array:
        return appendArrayInto(*value.asArray(), buffer);
    case Value::Kind::String:
        if (appendStringInto(*value.asString(), buffer))
            return true;
        addErrorWithCodeDescription(
            ZQJsonErrorUnsupported, "JSON serialisation not supported for invalid UTF-8 text");
        return false;
    case Value::Kind::Boolean:
        buffer.append(*value.asBoolean() ? std::string_view("true") : std::string_view("false"));
        return true;
    case Value::Kind::Number:
        appendNumberInto(value, buffer);
        return true;
    case Value::Kind::Null:
        buffer.append(std::string_view("null"));
        return true;
    case Value::Kind::Foreign:
        break;
    }
    addErrorWithCodeDescription(
        ZQJsonErrorUnsupported, "JSON serialisation not supported for " + std::string(value.typeName()));
    return false;
}

bool ZQJsonWriter::enterNesting()
{
    if (++depth_ > ZQJsonParser::kDepthGuard) {
        addErrorWithCodeDescription(ZQJsonErrorDepth, "Nested too deep");
        return false;
    }
    return true;
}

bool ZQJsonWriter::appendArrayInto(const Array& array, TextBuffer& buffer)
{
    buffer.append('[');
    if (!enterNesting())
        return false;
    bool first = true;
    for (const Value& element : array) {
        if (!first)
            buffer.append(',');
        first = false;
        if (humanReadable_)
            buffer.append(indent());
        if (!appendValueInto(element, buffer))
            return false;
    }
    --depth_;
    if (humanReadable_ && !array.empty())
        buffer.append(indent());
    buffer.append(']');
    return true;
}

bool ZQJsonWriter::appendDictionaryInto(const Object& object, TextBuffer& buffer)
{
    buffer.append('{');
    if (!enterNesting())
        return false;
    if (sortKeys_) {
        std::vector<const Member*> members;
        members.reserve(object.size());
        for (const Member& member : object)
            members.push_back(&member);
        std::sort(
            members.begin(), members.end(), [](const Member* a, const Member* b) { return a->key < b->key; });
        bool first = true;
        for (const Member* member : members) {
            if (!appendMemberInto(*member, first, buffer))
                return false;
            first = false;
        }
    } else {
        bool first = true;
        for (const Member& member : object) {
            if (!appendMemberInto(member, first, buffer))
                return false;
            first = false;
        }
    }
    --depth_;
    if (humanReadable_ && !object.empty())
        buffer.append(indent());
    buffer.append('}');
    return true;
}

bool ZQJsonWriter::appendMemberInto(const Member& member, bool first, TextBuffer& buffer)
{
    if (!first)
        buffer.append(',');
    if (humanReadable_)
        buffer.append(indent());
    if (!appendStringInto(member.key, buffer)) {
        addErrorWithCodeDescription(ZQJsonErrorUnsupported, "JSON object key must be string");
        return false;
    }
    buffer.append(humanReadable_ ? std::string_view(" : ") : std::string_view(":"));
    if (!appendValueInto(member.value, buffer)) {
        addErrorWithCodeDescription(
            ZQJsonErrorUnsupported, "Unsupported value for key " + member.key.str() + " in object");
        return false;
    }
    return true;
}

void ZQJsonWriter::appendNumberInto(const Value& number, TextBuffer& buffer)
{
    if (const std::optional<std::string_view> text = number.asNumberText(); text && isWrittenAsItIs(*text))
        buffer.append(*text);
    else
        buffer.commit(number.asNumber()->writeTo(buffer.reserve(Decimal::kMaxTextLength)));
}

bool ZQJsonWriter::appendStringInto(std::string_view text, TextBuffer& buffer)
{
    static constexpr char kHex[] = "0123456789abcdef";
    // Room for a run and what follows it: an escape of up to six bytes or the closing quote.
    constexpr std::size_t kAfterRun = 6;
    const char* p = text.data();
    const char* const end = p + text.size();
    bool sawHighByte = false;
    buffer.append('"');
    for (;;) {
        const char* run = p;
        p = utf8::findSpecial(p, end, sawHighByte);
        const auto length = static_cast<std::size_t>(p - run);
        char* out = buffer.reserve(length + kAfterRun);
        std::memcpy(out, run, length);
        out += length;
        if (p == end) {
            *out++ = '"';
            buffer.commit(out);
            break;
        }
        const auto byte = static_cast<unsigned char>(*p++);
        out[0] = '\\';
        switch (byte) {
        case '"':
        case '\\':
            out[1] = static_cast<char>(byte);
            break;
        case '\b':
            out[1] = 'b';
            break;
        case '\t':
            out[1] = 't';
            break;
        case '\n':
            out[1] = 'n';
            break;
        case '\f':
            out[1] = 'f';
            break;
        case '\r':
            out[1] = 'r';
            break;
        default:
            std::memcpy(out + 1, "u00", 3);
            out[4] = kHex[byte >> 4];
            out[5] = kHex[byte & 0xF];
            buffer.commit(out + 6);
            continue;
        }
        buffer.commit(out + 2);
    }
    return !sawHighByte || utf8::isValid(text.data(), end);
}

std::string_view ZQJsonWriter::indent()
{
    const std::size_t length = 1 + 2 * static_cast<std::size_t>(depth_);
    if (indentText_.size() < length) {
        indentText_.assign(std::max<std::size_t>(length, 2 * indentText_.size()), ' ');
        indentText_[0] = '\n';
    }
    return std::string_view(indentText_).substr(0, length);
}

} // namespace json
