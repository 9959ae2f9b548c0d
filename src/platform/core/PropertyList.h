#pragma once

#include "Data.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

// A property list value: dictionary, array, string, integer, real, boolean,
// date or data, read from the XML or the binary property list format.
class PropertyList {
public:
    using Dictionary = std::map<std::string, PropertyList, std::less<>>;
    using Array = std::vector<PropertyList>;
    struct Date {
        double secondsSince1970 = 0;
        friend bool operator==(const Date&, const Date&) = default;
    };
    enum class Type { Dictionary, Array, String, Integer, Real, Boolean, Date, Data };

    // An empty dictionary.
    PropertyList() = default;
    PropertyList(Dictionary value);
    PropertyList(Array value);
    PropertyList(std::string value);
    PropertyList(const char* value);
    // Integers keep their 64 bits; a value read as unsigned above the
    // signed range shows as negative through integer().
    PropertyList(std::int64_t value);
    PropertyList(int value);
    PropertyList(double value);
    PropertyList(bool value);
    PropertyList(Date value);
    PropertyList(Data value);

    // Reads a property list file in either format. Returns nothing for a
    // missing, unreadable or malformed file, with the reason in `error`.
    static std::optional<PropertyList> readFile(const std::string& path, std::string* error = nullptr);
    // Parses bytes in either format.
    static std::optional<PropertyList> fromData(const Data& bytes, std::string* error = nullptr);

    Type type() const;
    // Each accessor answers null (or nothing) when the value is of another
    // type; no conversion takes place.
    const Dictionary* dictionary() const { return std::get_if<Dictionary>(&value_); }
    const Array* array() const { return std::get_if<Array>(&value_); }
    const std::string* string() const { return std::get_if<std::string>(&value_); }
    std::optional<std::int64_t> integer() const;
    std::optional<double> real() const;
    std::optional<bool> boolean() const;
    std::optional<Date> date() const;
    const Data* data() const { return std::get_if<Data>(&value_); }

    // The value under `key` of a dictionary; null for a missing key or when
    // this is not a dictionary.
    const PropertyList* valueForKey(std::string_view key) const;

    // Numeric readings as the platform's number objects give them: integers,
    // reals (truncated towards zero) and booleans (0 or 1) convert; strings
    // convert from their leading decimal number (0 when there is none).
    // Nothing for the other types.
    std::optional<std::int64_t> integerValue() const;
    std::optional<std::uint64_t> unsignedIntegerValue() const;
    // True for non-zero numbers, and for strings starting (after blanks and
    // an optional sign or zeros) with Y, y, T, t or a digit 1-9.
    std::optional<bool> boolValue() const;

    friend bool operator==(const PropertyList&, const PropertyList&) = default;

private:
    std::variant<Dictionary, Array, std::string, std::int64_t, double, bool, Date, Data> value_;
};

} // namespace platform
