#pragma once

namespace game {

// A position the player reached: latitude and longitude in degrees, narrowed to 32-bit floats.
struct LocatedPoint {
    float latitude = 0;
    float longitude = 0;
    friend bool operator==(const LocatedPoint&, const LocatedPoint&) = default;
};

} // namespace game
