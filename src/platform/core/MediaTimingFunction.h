#pragma once

namespace platform {

// The pacing of an animation: a cubic Bézier curve from (0, 0) to (1, 1)
// through two control points, mapping the elapsed fraction of the time to
// the fraction of the change shown.
class MediaTimingFunction {
public:
    enum class Name { Linear, EaseIn, EaseOut, EaseInEaseOut, Default };

    // Linear.
    MediaTimingFunction() = default;
    MediaTimingFunction(float x1, float y1, float x2, float y2);
    // The platform's named curves: ease-in (0.42, 0, 1, 1), ease-out
    // (0, 0, 0.58, 1), ease-in-ease-out (0.42, 0, 0.58, 1), default
    // (0.25, 0.1, 0.25, 1).
    static MediaTimingFunction functionWithName(Name name);

    // The fraction of the change at `time` (0 to 1, clamped).
    double valueAt(double time) const;

    friend bool operator==(const MediaTimingFunction&, const MediaTimingFunction&) = default;

private:
    float x1_ = 0, y1_ = 0, x2_ = 1, y2_ = 1;
};

} // namespace platform
