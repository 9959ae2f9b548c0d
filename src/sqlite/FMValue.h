#pragma once

#include <chrono>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace fmdb {

using FMBytes = std::vector<std::uint8_t>;

// A point in time as seconds since 1970-01-01 00:00 UTC, with fractions.
using FMDate = std::chrono::sys_time<std::chrono::duration<double>>;

// One argument bound to a `?` parameter. The kind decides how it is bound:
//   Null                    NULL
//   Data                    BLOB of the bytes
//   Date                    REAL, seconds since 1970
//   Bool                    INTEGER 1 or 0
//   Int32                   INTEGER
//   Float, Double           REAL (a float is widened)
//   Text                    TEXT
//   Int64, UInt64           TEXT: the decimal digits of the number. A column
//                           declared INTEGER turns them back into an integer.
// Integers other than bool pick their kind by type: signed 32-bit ones are
// Int32; every other signed type is Int64 and every unsigned one UInt64.
class FMValue {
public:
    enum class Kind { Null, Text, Data, Date, Bool, Int32, Float, Double, Int64, UInt64 };

    FMValue() = default;
    FMValue(std::nullptr_t) { }
    FMValue(std::string text)
        : value_(std::move(text))
    { }
    FMValue(std::string_view text)
        : value_(std::string(text))
    { }
    // A null pointer is the null value.
    FMValue(const char* text);
    FMValue(FMBytes bytes)
        : value_(std::move(bytes))
    { }
    FMValue(FMDate date)
        : value_(date)
    { }
    template<typename Duration>
    FMValue(std::chrono::sys_time<Duration> time)
        : value_(std::chrono::time_point_cast<FMDate::duration>(time))
    { }
    FMValue(bool flag)
        : value_(flag)
    { }
    FMValue(float number)
        : value_(number)
    { }
    FMValue(double number)
        : value_(number)
    { }
    template<std::integral T>
    requires(!std::same_as<T, bool>) FMValue(T number)
    {
        if constexpr (std::is_signed_v<T> && sizeof(T) == sizeof(std::int32_t))
            value_ = static_cast<std::int32_t>(number);
        else if constexpr (std::is_signed_v<T>)
            value_ = static_cast<std::int64_t>(number);
        else
            value_ = static_cast<std::uint64_t>(number);
    }

    Kind kind() const { return static_cast<Kind>(value_.index()); }

    // The value as the platform describes it in logs: texts as they are,
    // numbers in decimal, "<null>", bytes as "<0102abcd ef>", dates as
    // "2001-01-01 00:00:00 +0000". Int64 and UInt64 are bound as this text.
    std::string description() const;

    // The held value; valid only for the matching kind.
    const std::string& text() const { return std::get<std::string>(value_); }
    const FMBytes& data() const { return std::get<FMBytes>(value_); }
    FMDate date() const { return std::get<FMDate>(value_); }
    bool boolValue() const { return std::get<bool>(value_); }
    std::int32_t int32Value() const { return std::get<std::int32_t>(value_); }
    float floatValue() const { return std::get<float>(value_); }
    double doubleValue() const { return std::get<double>(value_); }
    std::int64_t int64Value() const { return std::get<std::int64_t>(value_); }
    std::uint64_t uint64Value() const { return std::get<std::uint64_t>(value_); }

private:
    // Alternatives in the order of Kind.
    std::variant<std::monostate, std::string, FMBytes, FMDate, bool, std::int32_t, float, double,
        std::int64_t, std::uint64_t>
        value_;
};

} // namespace fmdb
