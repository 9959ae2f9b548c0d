#include "ZQJsonWriter.h"

#include "Utf8.h"
#include "ZQJsonParser.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace json {

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
        return appendStringInto(value.string_.view(), value.string_.isKnownValid(), buffer)
            || failUnsupported("invalid UTF-8 text");
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
    return failUnsupported(value.typeName());
}

bool ZQJsonWriter::failUnsupported(std::string_view typeName)
{
    addErrorWithCodeDescription(
        ZQJsonErrorUnsupported, "JSON serialisation not supported for " + std::string(typeName));
    return false;
}

bool ZQJsonWriter::failMember(std::string_view key)
{
    addErrorWithCodeDescription(
        ZQJsonErrorUnsupported, "Unsupported value for key " + std::string(key) + " in object");
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
    if (!appendStringInto(member.key.view(), member.key.isKnownValid(), buffer)) {
        addErrorWithCodeDescription(ZQJsonErrorUnsupported, "JSON object key must be string");
        return false;
    }
    buffer.append(humanReadable_ ? std::string_view(" : ") : std::string_view(":"));
    return appendValueInto(member.value, buffer) || failMember(member.key);
}

void ZQJsonWriter::appendNumberInto(const Value& number, TextBuffer& buffer)
{
    if (const std::optional<std::string_view> text = number.asWrittenNumberText())
        buffer.append(*text);
    else
        buffer.commit(number.asNumber()->writeTo(buffer.reserve(Decimal::kMaxTextLength)));
}

bool ZQJsonWriter::appendStringInto(std::string_view text, bool knownValid, TextBuffer& buffer)
{
    static constexpr char kHex[] = "0123456789abcdef";
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    const char* p = text.data();
    const char* const end = p + text.size();
    // The output keeps room for the rest of the text and the closing quote, so plain bytes are
    // copied eight at a time as they are checked, without further checks of room.
    char* out = buffer.reserve(text.size() + 2);
    *out++ = '"';
    std::uint64_t high = 0;
    for (;;) {
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            std::memcpy(out, &word, 8);
            const std::uint64_t quote = word ^ (kOnes * '"');
            const std::uint64_t backslash = word ^ (kOnes * '\\');
            // Per byte: zero-byte tests for quote and backslash, and a below-0x20 test; only the
            // lowest flagged byte is exact, which is the one that matters.
            const std::uint64_t hit = (((quote - kOnes) & ~quote) | ((backslash - kOnes) & ~backslash)
                                          | ((word - kOnes * 0x20) & ~word))
                & kHighs;
            if (hit != 0) {
                const int plain = std::endian::native == std::endian::little ? std::countr_zero(hit) >> 3
                                                                             : std::countl_zero(hit) >> 3;
                high |= word;
                p += plain;
                out += plain;
                break;
            }
            high |= word;
            p += 8;
            out += 8;
        }
        while (p < end) {
            const auto byte = static_cast<unsigned char>(*p);
            if (byte == '"' || byte == '\\' || byte < 0x20)
                break;
            high |= byte;
            *out++ = static_cast<char>(byte);
            ++p;
        }
        if (p == end)
            break;
        const auto byte = static_cast<unsigned char>(*p++);
        buffer.commit(out);
        out = buffer.reserve(static_cast<std::size_t>(end - p) + 7);
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
            out += 4;
            break;
        }
        out += 2;
    }
    *out++ = '"';
    buffer.commit(out);
    return knownValid || (high & kHighs) == 0 || utf8::isValid(text.data(), end);
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
