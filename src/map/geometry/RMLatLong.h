#pragma once

// Geographic coordinates in degrees: latitude north positive, longitude east
// positive.
struct RMLatLong {
    double latitude = 0;
    double longitude = 0;

    friend bool operator==(const RMLatLong&, const RMLatLong&) = default;
};

// A geographic box; the north-east corner comes first.
struct RMLatLongBounds {
    RMLatLong northEast;
    RMLatLong southWest;

    friend bool operator==(const RMLatLongBounds&, const RMLatLongBounds&) = default;
};
