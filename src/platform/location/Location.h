#pragma once

#include "GeoPoint.h"

namespace platform {

// One position fix.
struct Location {
    base::GeoPoint coordinate; // WGS 84, degrees
    // The radius of uncertainty in metres; negative when the fix has no
    // valid accuracy (such a fix only tells where to show the map).
    double horizontalAccuracy = -1;
    // When the fix was delivered, on the program's Clock (seconds since 1970).
    double timestamp = 0;
};

} // namespace platform
