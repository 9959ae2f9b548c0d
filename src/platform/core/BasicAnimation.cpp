#include "BasicAnimation.h"

#include <cmath>

namespace platform {

BasicAnimation::BasicAnimation(std::string keyPath)
    : keyPath_(std::move(keyPath))
{ }

double BasicAnimation::activeDuration() const
{
    const double cycle = passDuration() * (autoreverses_ ? 2 : 1);
    const double repeats = repeatCount_ > 0 && std::isfinite(repeatCount_) ? repeatCount_ : 1;
    return cycle * repeats;
}

std::optional<Transform3D> BasicAnimation::valueAt(double elapsed) const
{
    if (!(elapsed >= 0) || elapsed >= activeDuration())
        return std::nullopt;
    const double pass = passDuration();
    const double cycle = pass * (autoreverses_ ? 2 : 1);
    double local = std::fmod(elapsed, cycle);
    if (local > pass)
        local = cycle - local; // on the way back
    return Transform3D::interpolate(fromValue_, toValue_, timingFunction_.valueAt(local / pass));
}

} // namespace platform
