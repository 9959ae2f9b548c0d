// Arbitrary bytes as a GPX track (the file behind --position gpx:FILE).
// Whatever the bytes, parsing must neither crash nor hang, and a track it
// accepts must replay sanely: at least one point, every coordinate valid,
// every delay and accuracy a finite number of the right sign.
#include "GpxTrack.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string error;
    const std::optional<platform::GpxTrack> track
        = platform::GpxTrack::parse(std::string_view(reinterpret_cast<const char*>(data), size), &error);
    if (!track) {
        if (error.empty())
            std::abort();
        return 0;
    }
    const std::vector<platform::ReplayFix> fixes = track->replayFixes();
    if (fixes.empty() || fixes.size() != track->points().size() || fixes.front().delay != 0)
        std::abort();
    for (const platform::ReplayFix& fix : fixes) {
        if (!base::isValidCoordinate(fix.coordinate) || !std::isfinite(fix.delay) || fix.delay < 0
            || !std::isfinite(fix.horizontalAccuracy) || fix.horizontalAccuracy < 0)
            std::abort();
    }
    return 0;
}
