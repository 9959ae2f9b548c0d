#pragma once

#include "Location.h"

namespace platform {

// Metres of position error per unit of horizontal dilution of precision
// (HDOP) that recorded tracks are read with: a typical GPS receiver's
// user-equivalent range error.
inline constexpr double kUserEquivalentRangeError = 5.0;

// One fix of a recorded track, as a replay delivers it.
struct ReplayFix {
    base::GeoPoint coordinate;
    // Metres; negative when the recording gives no accuracy.
    double horizontalAccuracy = -1;
    // Seconds after the previous fix (the first: after the replay starts)
    // at the recorded pace; never negative.
    double delay = 0;
};

} // namespace platform
