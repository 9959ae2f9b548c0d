#pragma once

namespace platform {

// A layer transform. Only scaling about the layer's anchor point is
// supported, which is all the map and the game use (markers and buttons
// pulse by scaling).
struct Transform3D {
    float scaleX = 1;
    float scaleY = 1;
    float scaleZ = 1;

    static constexpr Transform3D identity() { return {}; }
    static constexpr Transform3D makeScale(float x, float y, float z) { return { x, y, z }; }

    bool isIdentity() const { return scaleX == 1 && scaleY == 1 && scaleZ == 1; }
    // The transform `progress` of the way from `from` to `to` (0 gives
    // `from`, 1 gives `to`; values outside overshoot).
    static Transform3D interpolate(const Transform3D& from, const Transform3D& to, double progress)
    {
        const auto mix = [progress](float a, float b) { return static_cast<float>(a + (b - a) * progress); };
        return { mix(from.scaleX, to.scaleX), mix(from.scaleY, to.scaleY), mix(from.scaleZ, to.scaleZ) };
    }

    friend bool operator==(const Transform3D&, const Transform3D&) = default;
};

} // namespace platform
