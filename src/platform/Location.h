#pragma once

namespace platform {

// A place on the earth (WGS 84), in degrees.
struct LocationCoordinate {
    double latitude = 0;
    double longitude = 0;
};

// One position fix.
struct Location {
    LocationCoordinate coordinate;
    // The radius of uncertainty in metres; negative when the fix has no
    // valid accuracy (such a fix only tells where to show the map).
    double horizontalAccuracy = -1;
    // When the fix was delivered, on the program's Clock (seconds since 1970).
    double timestamp = 0;
};

// Whether both values are finite, the latitude within ±90 and the longitude
// within ±180 degrees.
bool isValidCoordinate(LocationCoordinate coordinate);

// The great-circle distance in metres on a sphere of the earth's mean radius.
double distanceBetween(LocationCoordinate a, LocationCoordinate b);

} // namespace platform
