#include "Decimal.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace json {

namespace {

using u128 = unsigned __int128;

constexpr bool isDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

constexpr std::array<u128, 39> makePowersOfTen()
{
    std::array<u128, 39> powers {};
    u128 power = 1;
    for (u128& entry : powers) {
        entry = power;
        power *= 10;
    }
    return powers;
}
constexpr std::array<u128, 39> kPowersOfTen = makePowersOfTen();
constexpr u128 kCoefficientLimit = kPowersOfTen[Decimal::kMaxDigits];
constexpr std::uint64_t kTenToThe19 = 10'000'000'000'000'000'000ULL;

// Exponents are read up to this size; anything larger is out of range whatever the digits.
constexpr std::int64_t kExponentCap = 1'000'000'000'000'000;

int digitCount(u128 value)
{
    if (value >> 64 == 0) {
        // The bit length gives log10 within one (1233 / 4096 ≈ log10 2); one comparison settles it.
        const auto word = static_cast<std::uint64_t>(value) | 1;
        const int guess = ((64 - __builtin_clzll(word)) * 1233) >> 12;
        return guess + 1 - (word < kPowersOfTen[guess] ? 1 : 0);
    }
    int count = 20;
    while (count < 39 && value >= kPowersOfTen[count])
        ++count;
    return count;
}

constexpr std::uint64_t kEightZeros = 0x3030303030303030ULL;

std::uint64_t loadEightDigits(const char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

// True when the eight bytes of `word` (as `loadEightDigits` reads them) are all ASCII digits.
bool areEightDigits(std::uint64_t word)
{
    constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ULL;
    return (word & kHighNibbles) == kEightZeros
        && ((word + 0x0606060606060606ULL) & kHighNibbles) == kEightZeros;
}

// The value of eight ASCII digits, first digit most significant: pairs, then quads, then the whole.
std::uint64_t eightDigitsValue(std::uint64_t word)
{
    word -= kEightZeros;
    word = word * 10 + (word >> 8);
    word = (((word & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32)))
               + (((word >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32))))
        >> 32;
    return word;
}

// Reads the digits from `p` on, eight at a time where it can, adding them to `value` (which wraps
// around beyond 19 digits); returns the end of the digits.
const char* accumulateDigits(const char* p, const char* end, std::uint64_t& value)
{
    while (end - p >= 8) {
        const std::uint64_t word = loadEightDigits(p);
        if (!areEightDigits(word))
            break;
        value = value * 100'000'000 + eightDigitsValue(word);
        p += 8;
    }
    for (; p < end && isDigit(*p); ++p)
        value = value * 10 + static_cast<unsigned>(*p - '0');
    return p;
}

constexpr char kDigitPairs[] = "00010203040506070809"
                               "10111213141516171819"
                               "20212223242526272829"
                               "30313233343536373839"
                               "40414243444546474849"
                               "50515253545556575859"
                               "60616263646566676869"
                               "70717273747576777879"
                               "80818283848586878889"
                               "90919293949596979899";

// Writes `value` right-aligned ending at `end`, at least `minDigits` digits; returns the first digit.
char* writeUnsigned(std::uint64_t value, char* end, int minDigits = 1)
{
    char* p = end;
    while (value >= 100) {
        const unsigned pair = static_cast<unsigned>(value % 100) * 2;
        value /= 100;
        p -= 2;
        std::memcpy(p, kDigitPairs + pair, 2);
    }
    if (value >= 10) {
        p -= 2;
        std::memcpy(p, kDigitPairs + value * 2, 2);
    } else {
        *--p = static_cast<char>('0' + value);
    }
    while (end - p < minDigits)
        *--p = '0';
    return p;
}

} // namespace

Decimal::Decimal(bool negative, unsigned __int128 coefficient, int exponent)
    : exponent_(exponent)
    , negative_(negative)
{
    setCoefficient(coefficient);
}

void Decimal::setCoefficient(unsigned __int128 coefficient)
{
    low_ = static_cast<std::uint64_t>(coefficient);
    high_ = static_cast<std::uint64_t>(coefficient >> 64);
}

Decimal::ParseResult Decimal::parse(const char* p, const char* end, Decimal& out)
{
    const bool negative = p < end && *p == '-';
    if (negative)
        ++p;

    // Up to 19 digits (all but the longest numbers) are added up while they are read.
    std::uint64_t digits = 0;
    const char* integerBegin = p;
    if (p < end && *p == '0') {
        ++p;
        if (p < end && isDigit(*p))
            return { p, ParseError::LeadingZero };
    } else if (p == end || !isDigit(*p)) {
        return { p, ParseError::NoDigitsAfterMinus };
    } else {
        p = accumulateDigits(p, end, digits);
    }
    const char* integerEnd = p;

    const char* fractionBegin = p;
    const char* fractionEnd = p;
    if (p < end && *p == '.') {
        ++p;
        if (p == end || !isDigit(*p))
            return { p, ParseError::NoDigitsAfterPoint };
        fractionBegin = p;
        p = accumulateDigits(p, end, digits);
        fractionEnd = p;
    }

    std::int64_t exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == '-' || *p == '+')) {
            negativeExponent = *p == '-';
            ++p;
        }
        if (p == end || !isDigit(*p))
            return { p, ParseError::NoDigitsAfterExponent };
        do {
            if (exponent < kExponentCap)
                exponent = exponent * 10 + (*p - '0');
            ++p;
        } while (p < end && isDigit(*p));
        if (negativeExponent)
            exponent = -exponent;
    }

    const std::int64_t integerDigits = integerEnd - integerBegin;
    const std::int64_t fractionDigits = fractionEnd - fractionBegin;
    std::int64_t scale = exponent - fractionDigits;
    u128 coefficient;
    if (integerDigits + fractionDigits <= 19) {
        while (digits != 0 && digits % 10 == 0) {
            digits /= 10;
            ++scale;
        }
        coefficient = digits;
    } else {
        // Keep 38 significant digits; round the rest half to even.
        u128 wide = 0;
        int kept = 0;
        int firstDropped = -1;
        bool nonZeroAfterFirstDropped = false;
        auto feed = [&](const char* begin, const char* stop) {
            for (const char* q = begin; q < stop; ++q) {
                const unsigned digit = static_cast<unsigned>(*q - '0');
                if (kept == 0 && digit == 0)
                    continue;
                if (kept < kMaxDigits) {
                    wide = wide * 10 + digit;
                    ++kept;
                } else {
                    ++scale;
                    if (firstDropped < 0)
                        firstDropped = static_cast<int>(digit);
                    else if (digit != 0)
                        nonZeroAfterFirstDropped = true;
                }
            }
        };
        feed(integerBegin, integerEnd);
        feed(fractionBegin, fractionEnd);
        if (firstDropped > 5 || (firstDropped == 5 && (nonZeroAfterFirstDropped || (wide & 1) != 0))) {
            ++wide;
            if (wide == kCoefficientLimit) {
                wide = kPowersOfTen[kMaxDigits - 1];
                ++scale;
            }
        }
        while (wide != 0 && wide % 10 == 0) {
            wide /= 10;
            ++scale;
        }
        coefficient = wide;
    }

    if (coefficient == 0) {
        out = Decimal(negative, 0, 0);
        return { p, ParseError::None };
    }
    if (scale < kMinLeadingExponent - kMaxDigits || scale > kMaxLeadingExponent) {
        return { p, ParseError::OutOfRange };
    }
    const std::int64_t leading = scale + digitCount(coefficient) - 1;
    if (leading < kMinLeadingExponent || leading > kMaxLeadingExponent)
        return { p, ParseError::OutOfRange };
    out = Decimal(negative, coefficient, static_cast<int>(scale));
    return { p, ParseError::None };
}

std::optional<Decimal> Decimal::fromString(std::string_view text)
{
    Decimal value;
    const ParseResult result = parse(text.data(), text.data() + text.size(), value);
    if (result.error != ParseError::None || result.end != text.data() + text.size())
        return std::nullopt;
    return value;
}

Decimal Decimal::fromInt(std::int64_t value)
{
    const bool negative = value < 0;
    std::uint64_t magnitude
        = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    int exponent = 0;
    while (magnitude != 0 && magnitude % 10 == 0) {
        magnitude /= 10;
        ++exponent;
    }
    return Decimal(negative, magnitude, magnitude == 0 ? 0 : exponent);
}

std::optional<Decimal> Decimal::fromDouble(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return fromString(std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
}

std::optional<Decimal> Decimal::fromFloat(float value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return fromString(std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
}

std::int32_t Decimal::intValue() const
{
    if (isZero())
        return 0;
    const u128 value = coefficient();
    const int leading = exponent_ + digitCount(value) - 1;
    if (leading < 0)
        return 0;
    std::int64_t integer;
    if (leading >= 10)
        integer = std::numeric_limits<std::int64_t>::max();
    else if (exponent_ >= 0)
        integer = static_cast<std::int64_t>(value * kPowersOfTen[exponent_]);
    else
        integer = static_cast<std::int64_t>(value / kPowersOfTen[-exponent_]);
    if (negative_)
        return integer >= 2'147'483'648LL ? std::numeric_limits<std::int32_t>::min()
                                          : static_cast<std::int32_t>(-integer);
    return integer >= 2'147'483'647LL ? std::numeric_limits<std::int32_t>::max()
                                      : static_cast<std::int32_t>(integer);
}

template<typename Float> Float Decimal::toFloating() const
{
    char text[64];
    char digits[40];
    char* const digitsEnd = digits + sizeof digits;
    const char* first = writeDigits(digitsEnd);
    char* p = text;
    if (negative_)
        *p++ = '-';
    const auto count = static_cast<std::size_t>(digitsEnd - first);
    std::memcpy(p, first, count);
    p += count;
    *p++ = 'e';
    p = std::to_chars(p, text + sizeof text, exponent_).ptr;

    Float value {};
    const auto result = std::from_chars(text, p, value);
    if (result.ec == std::errc::result_out_of_range) {
        const int leading = exponent_ + static_cast<int>(count) - 1;
        value = leading > 0 ? std::numeric_limits<Float>::infinity() : Float(0);
        if (negative_)
            value = -value;
    }
    return value;
}

float Decimal::floatValue() const
{
    return toFloating<float>();
}

double Decimal::doubleValue() const
{
    return toFloating<double>();
}

char* Decimal::writeDigits(char* bufferEnd) const
{
    if (high_ == 0)
        return writeUnsigned(low_, bufferEnd);
    u128 value = coefficient();
    char* p = bufferEnd;
    while (value > std::numeric_limits<std::uint64_t>::max()) {
        p = writeUnsigned(static_cast<std::uint64_t>(value % kTenToThe19), p, 19);
        value /= kTenToThe19;
    }
    return writeUnsigned(static_cast<std::uint64_t>(value), p);
}

char* Decimal::writeTo(char* out) const
{
    // The digits are written right to left into their final place, found from their count.
    const int count = digitCount(coefficient());
    const int leading = exponent_ + count - 1;
    if (negative_)
        *out++ = '-';
    if (exponent_ >= 0 && leading < 21) {
        out += count;
        writeDigits(out);
        std::memset(out, '0', static_cast<std::size_t>(exponent_));
        return out + exponent_;
    }
    if (exponent_ < 0 && leading >= 0) {
        // One place to the right, then the integer digits move left over the point's place.
        char* const end = out + count + 1;
        writeDigits(end);
        const int integerDigits = leading + 1;
        for (int i = 0; i < integerDigits; ++i)
            out[i] = out[i + 1];
        out[integerDigits] = '.';
        return end;
    }
    if (exponent_ < 0 && leading >= -6) {
        const int zeros = -leading - 1;
        out[0] = '0';
        out[1] = '.';
        std::memset(out + 2, '0', static_cast<std::size_t>(zeros));
        out += 2 + zeros + count;
        writeDigits(out);
        return out;
    }
    writeDigits(out + 1 + count);
    out[0] = out[1];
    if (count > 1) {
        out[1] = '.';
        out += 1 + count;
    } else {
        out += 1;
    }
    *out++ = 'e';
    return std::to_chars(out, out + 8, leading).ptr;
}

void Decimal::appendTo(std::string& out) const
{
    char text[kMaxTextLength];
    out.append(text, writeTo(text));
}

std::string Decimal::stringValue() const
{
    std::string text;
    appendTo(text);
    return text;
}

bool operator==(const Decimal& a, const Decimal& b)
{
    if (a.isZero() && b.isZero())
        return true;
    return a.low_ == b.low_ && a.high_ == b.high_ && a.exponent_ == b.exponent_ && a.negative_ == b.negative_;
}

} // namespace json
