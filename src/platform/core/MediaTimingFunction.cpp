#include "MediaTimingFunction.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// One coordinate of the Bézier curve with end points 0 and 1.
double bezier(double t, double p1, double p2)
{
    const double u = 1 - t;
    return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}

double bezierSlope(double t, double p1, double p2)
{
    const double u = 1 - t;
    return 3 * u * u * p1 + 6 * u * t * (p2 - p1) + 3 * t * t * (1 - p2);
}

} // namespace

MediaTimingFunction::MediaTimingFunction(float x1, float y1, float x2, float y2)
    : x1_(std::clamp(x1, 0.0f, 1.0f))
    , y1_(y1)
    , x2_(std::clamp(x2, 0.0f, 1.0f))
    , y2_(y2)
{ }

MediaTimingFunction MediaTimingFunction::functionWithName(Name name)
{
    switch (name) {
    case Name::Linear:
        return {};
    case Name::EaseIn:
        return { 0.42f, 0, 1, 1 };
    case Name::EaseOut:
        return { 0, 0, 0.58f, 1 };
    case Name::EaseInEaseOut:
        return { 0.42f, 0, 0.58f, 1 };
    case Name::Default:
        return { 0.25f, 0.1f, 0.25f, 1 };
    }
    return {};
}

double MediaTimingFunction::valueAt(double time) const
{
    const double x = std::clamp(time, 0.0, 1.0);
    if (x1_ == y1_ && x2_ == y2_)
        return x; // the straight line
    // Find the curve parameter whose x is `x`: Newton's method, falling back
    // to bisection where the curve is too flat (x is monotonic in t because
    // the control points' x lie in [0, 1]).
    double t = x;
    for (int i = 0; i < 8; ++i) {
        const double error = bezier(t, x1_, x2_) - x;
        if (std::abs(error) < 1e-7)
            return bezier(t, y1_, y2_);
        const double slope = bezierSlope(t, x1_, x2_);
        if (std::abs(slope) < 1e-6)
            break;
        t -= error / slope;
        if (t < 0 || t > 1)
            break;
    }
    double low = 0;
    double high = 1;
    t = x;
    for (int i = 0; i < 60; ++i) {
        const double value = bezier(t, x1_, x2_);
        if (std::abs(value - x) < 1e-7)
            break;
        (value < x ? low : high) = t;
        t = (low + high) / 2;
    }
    return bezier(t, y1_, y2_);
}

} // namespace platform
