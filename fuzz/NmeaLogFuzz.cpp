// Arbitrary bytes as an NMEA log (the file behind --position nmea:FILE).
// Whatever the bytes, reading must neither crash nor hang, and the fixes it
// gives must replay sanely: every coordinate valid, every delay finite and
// not negative, every accuracy finite (negative: none).
#include "NmeaLog.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string error;
    const std::optional<std::vector<platform::ReplayFix>> fixes
        = platform::readNmeaLog(std::string_view(reinterpret_cast<const char*>(data), size), &error);
    if (!fixes) {
        if (error.empty())
            std::abort();
        return 0;
    }
    if (fixes->empty())
        std::abort();
    for (const platform::ReplayFix& fix : *fixes) {
        if (!base::isValidCoordinate(fix.coordinate) || !std::isfinite(fix.delay) || fix.delay < 0
            || !std::isfinite(fix.horizontalAccuracy))
            std::abort();
    }
    return 0;
}
