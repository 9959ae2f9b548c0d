#include "Utf8.h"

namespace json::utf8 {

namespace {
bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}
} // namespace

bool isValid(const char* begin, const char* end)
{
    const auto* p = reinterpret_cast<const unsigned char*>(begin);
    const auto* const stop = reinterpret_cast<const unsigned char*>(end);
    while (p < stop) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            // Skip ASCII eight bytes at a time.
            while (stop - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, 8);
                if ((word & 0x8080808080808080ULL) != 0)
                    break;
                p += 8;
            }
            continue;
        }
        const std::ptrdiff_t left = stop - p;
        if (lead < 0xC2)
            return false;
        if (lead < 0xE0) {
            if (left < 2 || !isContinuation(p[1]))
                return false;
            p += 2;
        } else if (lead < 0xF0) {
            if (left < 3 || !isContinuation(p[1]) || !isContinuation(p[2]))
                return false;
            if ((lead == 0xE0 && p[1] < 0xA0) || (lead == 0xED && p[1] >= 0xA0))
                return false;
            p += 3;
        } else if (lead < 0xF5) {
            if (left < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
                return false;
            if ((lead == 0xF0 && p[1] < 0x90) || (lead == 0xF4 && p[1] >= 0x90))
                return false;
            p += 4;
        } else {
            return false;
        }
    }
    return true;
}

void append(std::string& out, char32_t codePoint)
{
    char bytes[4];
    std::size_t count;
    if (codePoint < 0x80) {
        bytes[0] = static_cast<char>(codePoint);
        count = 1;
    } else if (codePoint < 0x800) {
        bytes[0] = static_cast<char>(0xC0 | (codePoint >> 6));
        bytes[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
        count = 2;
    } else if (codePoint < 0x10000) {
        bytes[0] = static_cast<char>(0xE0 | (codePoint >> 12));
        bytes[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
        count = 3;
    } else {
        bytes[0] = static_cast<char>(0xF0 | (codePoint >> 18));
        bytes[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        bytes[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
        count = 4;
    }
    out.append(bytes, count);
}

} // namespace json::utf8
