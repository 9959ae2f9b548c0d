#pragma once

#include <cstdint>
#include <cstring>
#include <string>

// Byte-level helpers shared by the parser and the writer. Internal to the codec.
namespace json::utf8 {

// True when [begin, end) is well-formed UTF-8: no stray continuation bytes, no overlong forms,
// no surrogates, nothing above U+10FFFF, no sequence cut short.
bool isValid(const char* begin, const char* end);

// Appends the UTF-8 form of a code point (at most U+10FFFF, not a surrogate).
void append(std::string& out, char32_t codePoint);

// The first byte at or after `p` that is a double quote, a backslash or below 0x20 (or `end`).
// Sets `sawHighByte` when a byte of 0x80 or above may lie before it (the caller then validates).
inline const char* findSpecial(const char* p, const char* end, bool& sawHighByte)
{
    constexpr std::uint64_t ones = 0x0101010101010101ULL;
    constexpr std::uint64_t highs = 0x8080808080808080ULL;
    std::uint64_t high = 0;
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        const std::uint64_t quote = word ^ (ones * '"');
        const std::uint64_t backslash = word ^ (ones * '\\');
        // Per byte: zero-byte tests for quote and backslash, and a below-0x20 test. Only the lowest
        // flagged byte is exact, which is the one we need.
        const std::uint64_t hit
            = (((quote - ones) & ~quote) | ((backslash - ones) & ~backslash) | ((word - ones * 0x20) & ~word))
            & highs;
        high |= word;
        if (hit != 0) {
            sawHighByte |= (high & highs) != 0;
            return p + (__builtin_ctzll(hit) >> 3);
        }
        p += 8;
    }
    sawHighByte |= (high & highs) != 0;
    for (; p < end; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte == '"' || byte == '\\' || byte < 0x20)
            return p;
        sawHighByte |= byte >= 0x80;
    }
    return p;
}

} // namespace json::utf8
