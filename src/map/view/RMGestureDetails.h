#pragma once

#include "CGGeometry.h"

#include <cstdint>

// The fingers on a map view at one touch event, as far as gestures care:
// where they are together, how far apart, and how many.
struct RMGestureDetails {
    // The mean location of the fingers that are down (view coordinates).
    CGPoint center;
    // Their mean distance from `center`, in points; 0 for one finger.
    float averageDistanceFromCenter = 0;
    // The fingers that are down (began, moved or resting).
    int32_t numTouches = 0;
};
