#include "ZQJsonWriter.h"

#include "Utf8.h"
#include "ZQJsonParser.h"

#include <algorithm>
#include <vector>

namespace json {

std::optional<std::string> ZQJsonWriter::stringWithObjectAllowScalar(const Value& value, bool allowScalar)
{
    clearErrorTrace();
    depth_ = 0;
    std::string buffer;
    buffer.reserve(128);
    if (!allowScalar && value.kind() != Value::Kind::Object && value.kind() != Value::Kind::Array) {
        addErrorWithCodeDescription(ZQJsonErrorFragment, "Not valid type for JSON");
        return std::nullopt;
    }
    if (!appendValueInto(value, buffer))
        return std::nullopt;
    return buffer;
}

bool ZQJsonWriter::appendValueInto(const Value& value, std::string& buffer)
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
        buffer += *value.asBoolean() ? "true" : "false";
        return true;
    case Value::Kind::Number:
        value.asNumber()->appendTo(buffer);
        return true;
    case Value::Kind::Null:
        buffer += "null";
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

bool ZQJsonWriter::appendArrayInto(const Array& array, std::string& buffer)
{
    buffer += '[';
    if (!enterNesting())
        return false;
    bool first = true;
    for (const Value& element : array) {
        if (!first)
            buffer += ',';
        first = false;
        if (humanReadable_)
            buffer += indent();
        if (!appendValueInto(element, buffer))
            return false;
    }
    --depth_;
    if (humanReadable_ && !array.empty())
        buffer += indent();
    buffer += ']';
    return true;
}

bool ZQJsonWriter::appendDictionaryInto(const Object& object, std::string& buffer)
{
    buffer += '{';
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
        buffer += indent();
    buffer += '}';
    return true;
}

bool ZQJsonWriter::appendMemberInto(const Member& member, bool first, std::string& buffer)
{
    if (!first)
        buffer += ',';
    if (humanReadable_)
        buffer += indent();
    if (!appendStringInto(member.key, buffer)) {
        addErrorWithCodeDescription(ZQJsonErrorUnsupported, "JSON object key must be string");
        return false;
    }
    buffer += humanReadable_ ? " : " : ":";
    if (!appendValueInto(member.value, buffer)) {
        addErrorWithCodeDescription(
            ZQJsonErrorUnsupported, "Unsupported value for key " + member.key + " in object");
        return false;
    }
    return true;
}

bool ZQJsonWriter::appendStringInto(const std::string& text, std::string& buffer)
{
    static constexpr char kHex[] = "0123456789abcdef";
    const char* p = text.data();
    const char* const end = p + text.size();
    bool sawHighByte = false;
    buffer += '"';
    for (;;) {
        const char* run = p;
        p = utf8::findSpecial(p, end, sawHighByte);
        buffer.append(run, p);
        if (p == end)
            break;
        const auto byte = static_cast<unsigned char>(*p++);
        switch (byte) {
        case '"':
            buffer += "\\\"";
            break;
        case '\\':
            buffer += "\\\\";
            break;
        case '\b':
            buffer += "\\b";
            break;
        case '\t':
            buffer += "\\t";
            break;
        case '\n':
            buffer += "\\n";
            break;
        case '\f':
            buffer += "\\f";
            break;
        case '\r':
            buffer += "\\r";
            break;
        default: {
            const char escape[] = { '\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF] };
            buffer.append(escape, sizeof escape);
        }
        }
    }
    buffer += '"';
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
