#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace json {

// An exact decimal number: (−1)^negative × coefficient × 10^exponent, with a coefficient of at most 38
// decimal digits held in an unsigned 128-bit integer.
//
// Values are normalised (no trailing zeros in the coefficient; zero has exponent 0), so two equal
// numbers have equal fields, except that −0 keeps its sign. A non-zero value's leading digit has a
// decimal exponent from −400 to 400, so every finite double and float fits with its exact decimal text.
// Text with more than 38 significant digits is rounded to 38, half to even.
class Decimal {
public:
    static constexpr int kMaxDigits = 38;
    static constexpr int kMinLeadingExponent = -400;
    static constexpr int kMaxLeadingExponent = 400;
    // The longest text `writeTo` writes ("-0.00000" and 38 digits is 46 bytes).
    static constexpr std::size_t kMaxTextLength = 48;

    // Why reading a JSON number failed; `None` on success.
    enum class ParseError : std::uint8_t {
        None,
        LeadingZero,
        NoDigitsAfterMinus,
        NoDigitsAfterPoint,
        NoDigitsAfterExponent,
        OutOfRange,
    };
    struct ParseResult {
        const char* end; // one past the last byte read
        ParseError error;
    };

    constexpr Decimal() = default; // zero

    // Reads the longest JSON number at [begin, end) (the JSON number grammar exactly: optional minus,
    // integer part without leading zeros, optional fraction, optional exponent). On success `out`
    // holds the value and `end` points after the number; on failure `out` is unchanged.
    static ParseResult parse(const char* begin, const char* end, Decimal& out);

    // The whole of `text` as one JSON number, or none.
    static std::optional<Decimal> fromString(std::string_view text);
    static Decimal fromInt(std::int64_t value);
    // The shortest decimal text that reads back to the same double (or float); none when not finite.
    static std::optional<Decimal> fromDouble(double value);
    static std::optional<Decimal> fromFloat(float value);

    bool isNegative() const { return negative_; }
    bool isZero() const { return low_ == 0 && high_ == 0; }
    unsigned __int128 coefficient() const { return (static_cast<unsigned __int128>(high_) << 64) | low_; }
    int exponent() const { return exponent_; }

    // The integer part (truncated toward zero), saturated to the int32 range.
    std::int32_t intValue() const;
    // The nearest float / double (correctly rounded); ±infinity or ±0 beyond their ranges.
    float floatValue() const;
    double doubleValue() const;

    // A valid JSON number that reads back to this value: plain notation from 1e-6 up to below 1e21,
    // otherwise scientific ("1.5e-7", "1e21"); −0 is "-0".
    std::string stringValue() const;
    void appendTo(std::string& out) const;
    // The same text written at `out`, which has room for `kMaxTextLength` bytes; returns its end.
    char* writeTo(char* out) const;

    // Numeric equality: −0 equals 0.
    friend bool operator==(const Decimal& a, const Decimal& b);

private:
    Decimal(bool negative, unsigned __int128 coefficient, int exponent);
    void setCoefficient(unsigned __int128 coefficient);
    // Writes the coefficient's digits at the end of `buffer`, returns where they start.
    char* writeDigits(char* bufferEnd) const;
    template<typename Float> Float toFloating() const;

    std::uint64_t low_ = 0;
    std::uint64_t high_ = 0;
    std::int32_t exponent_ = 0;
    bool negative_ = false;
};

} // namespace json
