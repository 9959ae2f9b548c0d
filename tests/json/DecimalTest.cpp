#include "Decimal.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using json::Decimal;

namespace {

Decimal decimal(std::string_view text)
{
    const std::optional<Decimal> value = Decimal::fromString(text);
    EXPECT_TRUE(value) << text;
    return value.value_or(Decimal());
}

TEST(DecimalText, ReadsAndWritesNormalisedText)
{
    struct Case {
        const char* text;
        const char* written;
    };
    const Case cases[] = {
        { "0", "0" },
        { "-0", "-0" },
        { "-0.0e5", "-0" },
        { "0.000", "0" },
        { "0e999999999999", "0" },
        { "1.0", "1" },
        { "1.50", "1.5" },
        { "1E+2", "100" },
        { "12e-3", "0.012" },
        { "-65.613616999999977", "-65.613616999999977" },
        { "9223372036854775807", "9223372036854775807" },
        { "18446744073709551616", "18446744073709551616" },
        { "1e20", "100000000000000000000" },
        { "1e21", "1e21" },
        { "123e30", "1.23e32" },
        { "0.0000001", "1e-7" },
        { "0.000001", "0.000001" },
        { "0.00000123", "0.00000123" },
        { "1.5e-7", "1.5e-7" },
        { "5e-324", "5e-324" },
        { "1.7976931348623157e308", "1.7976931348623157e308" },
        { "12345678901234567890123456789012345678", "1.2345678901234567890123456789012345678e37" },
        { "1.2345678901234567890123456789012345678e-300", "1.2345678901234567890123456789012345678e-300" },
        { "1e400", "1e400" },
        { "9.99e400", "9.99e400" },
        { "1e-400", "1e-400" },
        { "0.1e-399", "1e-400" },
        { "100e398", "1e400" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(decimal(c.text).stringValue(), c.written) << c.text;
}

TEST(DecimalText, RoundsDigitsBeyondThirtyEightHalfToEven)
{
    struct Case {
        const char* text;
        const char* written;
    };
    const Case cases[] = {
        // 39 digits: the last is dropped with rounding.
        { "123456789012345678901234567890123456784", "1.2345678901234567890123456789012345678e38" },
        { "123456789012345678901234567890123456786", "1.2345678901234567890123456789012345679e38" },
        // Exactly half: to even.
        { "123456789012345678901234567890123456785", "1.2345678901234567890123456789012345678e38" },
        { "123456789012345678901234567890123456775", "1.2345678901234567890123456789012345678e38" },
        // More than half because a later digit is not zero.
        { "1234567890123456789012345678901234567850001", "1.2345678901234567890123456789012345679e42" },
        // Fraction digits count the same way, leading zeros do not.
        { "0.000123456789012345678901234567890123456786", "0.00012345678901234567890123456789012345679" },
        // Rounding up through all nines carries into a new digit.
        { "99999999999999999999999999999999999999.5", "1e38" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(decimal(c.text).stringValue(), c.written) << c.text;
}

TEST(DecimalText, ReportsGrammarAndRangeErrors)
{
    using enum Decimal::ParseError;
    struct Case {
        const char* text;
        Decimal::ParseError error;
    };
    const Case cases[] = {
        { "01", LeadingZero },
        { "-01", LeadingZero },
        { "-", NoDigitsAfterMinus },
        { "-x", NoDigitsAfterMinus },
        { "1.", NoDigitsAfterPoint },
        { "1.e5", NoDigitsAfterPoint },
        { "1e", NoDigitsAfterExponent },
        { "1E-", NoDigitsAfterExponent },
        { "1e401", OutOfRange },
        { "-1e401", OutOfRange },
        { "10e400", OutOfRange },
        { "1e-401", OutOfRange },
        { "0.01e-399", OutOfRange },
        { "1e99999999999999999999", OutOfRange },
        { "1e-99999999999999999999", OutOfRange },
    };
    for (const Case& c : cases) {
        Decimal value;
        EXPECT_EQ(Decimal::parse(c.text, c.text + std::strlen(c.text), value).error, c.error) << c.text;
    }
    EXPECT_FALSE(Decimal::fromString("1 "));
    EXPECT_FALSE(Decimal::fromString("+1"));
    EXPECT_FALSE(Decimal::fromString(""));
}

TEST(DecimalText, StopsAtTheFirstByteAfterTheNumber)
{
    const std::string text = "-12.5e3,";
    Decimal value;
    const auto result = Decimal::parse(text.data(), text.data() + text.size(), value);
    EXPECT_EQ(result.error, Decimal::ParseError::None);
    EXPECT_EQ(result.end, text.data() + 7);
    EXPECT_EQ(value, Decimal::fromInt(-12500));
}

TEST(DecimalText, ReadsDigitRunsOfEveryLength)
{
    // Runs of digits are taken eight at a time where they can be: every length in both parts, each
    // followed by one of the bytes next to '0' and '9' and more digits that are not part of it.
    const std::string digits = "123456789123456789123456789123456789123";
    for (std::size_t length = 1; length <= 38; ++length) {
        const std::string run = digits.substr(0, length);
        std::vector<std::string> numbers = { "0." + run };
        if (length <= 20)
            numbers.push_back(run);
        for (const std::string& number : numbers) {
            for (const char after : { '/', ':' }) {
                const std::string text = number + after + "12345678";
                Decimal value;
                const auto result = Decimal::parse(text.data(), text.data() + text.size(), value);
                EXPECT_EQ(result.error, Decimal::ParseError::None) << text;
                EXPECT_EQ(result.end, text.data() + number.size()) << text;
                EXPECT_EQ(value.stringValue(), number) << text;
            }
        }
    }
}

TEST(DecimalEquality, ComparesNumerically)
{
    EXPECT_EQ(decimal("1.0"), decimal("1"));
    EXPECT_EQ(decimal("100"), decimal("1e2"));
    EXPECT_EQ(decimal("-0"), decimal("0"));
    EXPECT_TRUE(decimal("-0").isNegative());
    EXPECT_NE(decimal("1"), decimal("-1"));
    EXPECT_NE(decimal("1"), decimal("1.0000000000000000000000000000000000001"));
}

TEST(DecimalIntValue, TruncatesTowardZeroAndSaturates)
{
    struct Case {
        const char* text;
        std::int32_t expected;
    };
    const Case cases[] = {
        { "0", 0 },
        { "1.9", 1 },
        { "-1.9", -1 },
        { "0.5", 0 },
        { "-0.5", 0 },
        { "12345.678e2", 1234567 },
        { "2147483647", 2147483647 },
        { "2147483647.99", 2147483647 },
        { "2147483648", 2147483647 },
        { "-2147483648", -2147483647 - 1 },
        { "-2147483649", -2147483647 - 1 },
        { "9999999999", 2147483647 },
        { "1e100", 2147483647 },
        { "-1e400", -2147483647 - 1 },
        { "1e-400", 0 },
        { "42e0", 42 },
        { "4.2e1", 42 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(decimal(c.text).intValue(), c.expected) << c.text;
}

TEST(DecimalFloating, ReadsAsNearestDoubleAndFloat)
{
    struct Case {
        const char* text;
        double asDouble;
        float asFloat;
    };
    const double infinity = std::numeric_limits<double>::infinity();
    const float floatInfinity = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        { "0.1", 0.1, 0.1F },
        { "-2.5", -2.5, -2.5F },
        { "5e-324", 5e-324, 0.0F },
        { "3e-324", 5e-324, 0.0F },
        { "2e-324", 0.0, 0.0F },
        { "1.7976931348623157e308", 1.7976931348623157e308, floatInfinity },
        { "3.4028235e38", 3.4028235e38, 3.4028235e38F },
        { "1e39", 1e39, floatInfinity },
        { "1e400", infinity, floatInfinity },
        { "-1e400", -infinity, -floatInfinity },
        { "1e-400", 0.0, 0.0F },
        { "1.40129846e-45", 1.40129846e-45, 1.40129846e-45F },
        { "9007199254740993", 9007199254740992.0, 9007199254740992.0F },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decimal(c.text).doubleValue(), c.asDouble) << c.text;
        EXPECT_EQ(decimal(c.text).floatValue(), c.asFloat) << c.text;
    }
    EXPECT_TRUE(std::signbit(decimal("-0").doubleValue()));
    EXPECT_TRUE(std::signbit(decimal("-0").floatValue()));
    EXPECT_TRUE(std::signbit(decimal("-1e-400").doubleValue()));
}

std::string toText(double value, std::chars_format format, int precision = -1)
{
    char text[2000];
    const auto result = precision < 0 ? std::to_chars(text, text + sizeof text, value, format)
                                      : std::to_chars(text, text + sizeof text, value, format, precision);
    return std::string(text, result.ptr);
}

// Every finite double, in any of the usual text forms, reads back to itself.
TEST(DecimalFloating, EveryDoubleTextReadsBackExactly)
{
    std::mt19937_64 random(20261207);
    std::vector<double> values = { 5e-324, -5e-324, 2.2250738585072014e-308, 1.7976931348623157e308,
        -1.7976931348623157e308, 9223372036854775807.0, 0.1, 1.0 / 3.0, 0.0, -0.0 };
    for (int i = 0; i < 4000; ++i) {
        const double value = std::bit_cast<double>(random());
        if (std::isfinite(value))
            values.push_back(value);
    }
    for (const double value : values) {
        const std::string forms[] = {
            toText(value, std::chars_format::general),
            toText(value, std::chars_format::fixed),
            toText(value, std::chars_format::scientific),
            toText(value, std::chars_format::general, 17),
            toText(value, std::chars_format::scientific, 40),
            toText(value, std::chars_format::fixed, 1080),
        };
        for (const std::string& form : forms) {
            const std::optional<Decimal> read = Decimal::fromString(form);
            ASSERT_TRUE(read) << form;
            EXPECT_EQ(std::bit_cast<std::uint64_t>(read->doubleValue()), std::bit_cast<std::uint64_t>(value))
                << form;
        }
        const std::optional<Decimal> shortest = Decimal::fromDouble(value);
        ASSERT_TRUE(shortest);
        const std::optional<Decimal> again = Decimal::fromString(shortest->stringValue());
        ASSERT_TRUE(again) << shortest->stringValue();
        EXPECT_EQ(std::bit_cast<std::uint64_t>(again->doubleValue()), std::bit_cast<std::uint64_t>(value));
    }
}

TEST(DecimalFloating, FloatsWriteTheirShortestText)
{
    EXPECT_EQ(Decimal::fromFloat(0.1F)->stringValue(), "0.1");
    EXPECT_EQ(Decimal::fromFloat(51.5074F)->stringValue(), "51.5074");
    EXPECT_EQ(Decimal::fromFloat(-0.0F)->stringValue(), "-0");
    EXPECT_EQ(Decimal::fromFloat(3.4028235e38F)->stringValue(), "3.4028235e38");
    EXPECT_FALSE(Decimal::fromFloat(std::numeric_limits<float>::infinity()));
    EXPECT_FALSE(Decimal::fromDouble(std::numeric_limits<double>::quiet_NaN()));

    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        const float value = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        if (!std::isfinite(value))
            continue;
        const Decimal written = *Decimal::fromFloat(value);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(Decimal::fromString(written.stringValue())->floatValue()),
            std::bit_cast<std::uint32_t>(value));
    }
}

TEST(DecimalIntegers, MakesNumbersFromIntegers)
{
    EXPECT_EQ(Decimal::fromInt(0).stringValue(), "0");
    EXPECT_EQ(Decimal::fromInt(-1200).stringValue(), "-1200");
    EXPECT_EQ(
        Decimal::fromInt(std::numeric_limits<std::int64_t>::min()).stringValue(), "-9223372036854775808");
    EXPECT_EQ(
        Decimal::fromInt(std::numeric_limits<std::int64_t>::max()).stringValue(), "9223372036854775807");
}

} // namespace
