#include "PropertyList.h"

#include <plist/plist.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <string_view>

namespace platform {

namespace {

// Seconds from 1970-01-01 to 2001-01-01, the epoch of property list dates.
constexpr double kReferenceDateOffset = 978307200.0;
// Deeper nesting than any configuration needs; stops hostile input from
// exhausting the stack.
constexpr int kMaximumDepth = 256;
// The parser takes 32-bit lengths; configuration files are tiny.
constexpr std::size_t kMaximumSize = 64 * 1024 * 1024;

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPointer = std::unique_ptr<void, PlistFree>;

std::optional<PropertyList> convert(plist_t node, int depth, std::string& error)
{
    if (depth > kMaximumDepth) {
        error = "the property list is nested too deeply";
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        PropertyList::Dictionary dictionary;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        const std::unique_ptr<void, decltype(&std::free)> ownedIterator(iterator, &std::free);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            const std::unique_ptr<char, decltype(&std::free)> ownedKey(key, &std::free);
            if (!value)
                break;
            std::optional<PropertyList> converted = convert(value, depth + 1, error);
            if (!converted)
                return std::nullopt;
            dictionary.insert_or_assign(key ? std::string(key) : std::string(), std::move(*converted));
        }
        return PropertyList(std::move(dictionary));
    }
    case PLIST_ARRAY: {
        PropertyList::Array array;
        const std::uint32_t count = plist_array_get_size(node);
        array.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::optional<PropertyList> converted = convert(plist_array_get_item(node, i), depth + 1, error);
            if (!converted)
                return std::nullopt;
            array.push_back(std::move(*converted));
        }
        return PropertyList(std::move(array));
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return PropertyList(text ? std::string(text, length) : std::string());
    }
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return PropertyList(static_cast<std::int64_t>(value));
    }
    case PLIST_UID: {
        std::uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return PropertyList(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return PropertyList(value);
    }
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return PropertyList(value != 0);
    }
    case PLIST_DATE: {
        std::int32_t seconds = 0;
        std::int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        return PropertyList(PropertyList::Date { kReferenceDateOffset + seconds + microseconds / 1e6 });
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return PropertyList(
            Data(std::span(reinterpret_cast<const std::uint8_t*>(bytes), bytes ? length : 0)));
    }
    case PLIST_NONE:
        break;
    }
    error = "the property list holds a value of unknown type";
    return std::nullopt;
}

std::uint64_t bigEndian(std::span<const std::uint8_t> bytes)
{
    std::uint64_t value = 0;
    for (const std::uint8_t byte : bytes)
        value = (value << 8) | byte;
    return value;
}

// libplist stops the program (a failed assertion) when it reads a dictionary
// key holding a NUL character, which only the binary format can express, so
// such lists are refused before libplist walks them: every text object
// (ASCII or UTF-16) of the binary object table is checked. A table too
// damaged to follow is left to libplist, which refuses it.
bool binaryListHoldsTextWithNul(std::span<const std::uint8_t> bytes)
{
    constexpr std::size_t kHeaderSize = 8;
    constexpr std::size_t kTrailerSize = 32;
    static constexpr std::string_view magic = "bplist";
    if (bytes.size() < kHeaderSize + kTrailerSize || !std::equal(magic.begin(), magic.end(), bytes.begin()))
        return false;
    const std::span<const std::uint8_t> trailer = bytes.subspan(bytes.size() - kTrailerSize);
    const std::size_t end = bytes.size() - kTrailerSize;
    const std::size_t offsetSize = trailer[6];
    const std::uint64_t objectCount = bigEndian(trailer.subspan(8, 8));
    const std::uint64_t tableOffset = bigEndian(trailer.subspan(24, 8));
    if (offsetSize < 1 || offsetSize > 8 || tableOffset >= end
        || objectCount > (end - tableOffset) / offsetSize)
        return false;
    for (std::uint64_t i = 0; i < objectCount; ++i) {
        const std::uint64_t offset = bigEndian(bytes.subspan(tableOffset + i * offsetSize, offsetSize));
        if (offset >= end)
            continue;
        const unsigned kind = bytes[offset] >> 4;
        if (kind != 0x5 && kind != 0x6)
            continue;
        std::uint64_t length = bytes[offset] & 0x0f;
        std::uint64_t start = offset + 1;
        if (length == 0x0f) {
            if (start >= end || (bytes[start] >> 4) != 0x1)
                continue;
            const std::size_t lengthSize = std::size_t { 1 } << (bytes[start] & 0x0f);
            if (lengthSize > 8 || lengthSize > end - start - 1)
                continue;
            length = bigEndian(bytes.subspan(start + 1, lengthSize));
            start += 1 + lengthSize;
        }
        const std::size_t unit = kind == 0x5 ? 1 : 2;
        const std::uint64_t units = std::min<std::uint64_t>(length, (end - start) / unit);
        for (std::uint64_t j = 0; j < units; ++j) {
            const std::size_t at = start + j * unit;
            if (bytes[at] == 0 && (unit == 1 || bytes[at + 1] == 0))
                return true;
        }
    }
    return false;
}

std::int64_t saturatingInteger(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9223372036854775807.0)
        return std::numeric_limits<std::int64_t>::max();
    if (value <= -9223372036854775808.0)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

// The leading decimal integer of a text, as the platform's strings read it.
std::int64_t leadingInteger(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::uint64_t magnitude = 0;
    const std::uint64_t limit = negative ? 9223372036854775808ull : 9223372036854775807ull;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        magnitude = magnitude * 10 + static_cast<unsigned>(text[i] - '0');
        if (magnitude >= limit) {
            magnitude = limit;
            while (i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1])))
                ++i;
        }
    }
    if (negative)
        return magnitude == limit ? std::numeric_limits<std::int64_t>::min()
                                  : -static_cast<std::int64_t>(magnitude);
    return static_cast<std::int64_t>(magnitude);
}

bool leadingTruth(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    while (i < text.size() && text[i] == '0')
        ++i;
    if (i == text.size())
        return false;
    const char c = text[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

} // namespace

PropertyList::PropertyList(Dictionary value)
    : value_(std::move(value))
{ }
PropertyList::PropertyList(Array value)
    : value_(std::move(value))
{ }
PropertyList::PropertyList(std::string value)
    : value_(std::move(value))
{ }
PropertyList::PropertyList(const char* value)
    : value_(std::string(value))
{ }
PropertyList::PropertyList(std::int64_t value)
    : value_(value)
{ }
PropertyList::PropertyList(int value)
    : value_(static_cast<std::int64_t>(value))
{ }
PropertyList::PropertyList(double value)
    : value_(value)
{ }
PropertyList::PropertyList(bool value)
    : value_(value)
{ }
PropertyList::PropertyList(Date value)
    : value_(value)
{ }
PropertyList::PropertyList(Data value)
    : value_(std::move(value))
{ }

std::optional<PropertyList> PropertyList::readFile(const std::string& path, std::string* error)
{
    std::string reason;
    std::unique_ptr<std::FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        reason = std::strerror(errno);
    } else {
        std::vector<std::uint8_t> bytes;
        std::uint8_t buffer[16384];
        std::size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
            bytes.insert(bytes.end(), buffer, buffer + count);
            if (bytes.size() > kMaximumSize)
                break;
        }
        if (std::ferror(file.get()))
            reason = std::strerror(errno);
        else
            return fromData(Data(std::move(bytes)), error);
    }
    if (error)
        *error = std::move(reason);
    return std::nullopt;
}

std::optional<PropertyList> PropertyList::fromData(const Data& bytes, std::string* error)
{
    std::string reason;
    std::optional<PropertyList> result;
    if (bytes.empty()) {
        reason = "the property list is empty";
    } else if (bytes.size() > kMaximumSize) {
        reason = "the property list is too large";
    } else if (binaryListHoldsTextWithNul(bytes.bytes())) {
        reason = "the property list holds a text with a NUL character";
    } else {
        plist_t root = nullptr;
        plist_from_memory(
            reinterpret_cast<const char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), &root);
        const PlistPointer owned(root);
        if (!root)
            reason = "the data is not a property list in XML or binary format";
        else
            result = convert(root, 0, reason);
    }
    if (!result && error)
        *error = std::move(reason);
    return result;
}

PropertyList::Type PropertyList::type() const
{
    return static_cast<Type>(value_.index());
}

std::optional<std::int64_t> PropertyList::integer() const
{
    if (const auto* value = std::get_if<std::int64_t>(&value_))
        return *value;
    return std::nullopt;
}

std::optional<double> PropertyList::real() const
{
    if (const auto* value = std::get_if<double>(&value_))
        return *value;
    return std::nullopt;
}

std::optional<bool> PropertyList::boolean() const
{
    if (const auto* value = std::get_if<bool>(&value_))
        return *value;
    return std::nullopt;
}

std::optional<PropertyList::Date> PropertyList::date() const
{
    if (const auto* value = std::get_if<Date>(&value_))
        return *value;
    return std::nullopt;
}

const PropertyList* PropertyList::valueForKey(std::string_view key) const
{
    const Dictionary* entries = dictionary();
    if (!entries)
        return nullptr;
    const auto found = entries->find(key);
    return found == entries->end() ? nullptr : &found->second;
}

std::optional<std::int64_t> PropertyList::integerValue() const
{
    switch (type()) {
    case Type::Integer:
        return *integer();
    case Type::Real:
        return saturatingInteger(*real());
    case Type::Boolean:
        return *boolean() ? 1 : 0;
    case Type::String:
        return leadingInteger(*string());
    default:
        return std::nullopt;
    }
}

std::optional<std::uint64_t> PropertyList::unsignedIntegerValue() const
{
    if (const std::optional<std::int64_t> value = integerValue())
        return static_cast<std::uint64_t>(*value);
    return std::nullopt;
}

std::optional<bool> PropertyList::boolValue() const
{
    switch (type()) {
    case Type::Integer:
        return *integer() != 0;
    case Type::Real:
        return *real() != 0;
    case Type::Boolean:
        return *boolean();
    case Type::String:
        return leadingTruth(*string());
    default:
        return std::nullopt;
    }
}

} // namespace platform
