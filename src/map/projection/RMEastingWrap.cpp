#include "RMEastingWrap.h"

#include <cmath>

namespace {
// Within this many planet widths the result is that of plain stepping; the
// same number bounds the steps when rounding keeps a step from moving at all
// (a width far below the easting's precision).
constexpr int maxSteps = 16;
} // namespace

double RMWrapEasting(double easting, double west, double width)
{
    if (!std::isfinite(easting) || !std::isfinite(width) || !(width > 0))
        return easting;
    if (std::fabs(easting - west) > maxSteps * width)
        easting = west + std::fmod(easting - west, width);
    for (int step = 0; step < maxSteps && west > easting; ++step)
        easting += width;
    for (int step = 0; step < maxSteps && west + width < easting; ++step)
        easting -= width;
    return easting;
}
