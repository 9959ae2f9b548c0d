#pragma once

#include "MediaTimingFunction.h"
#include "Transform3D.h"

#include <optional>
#include <string>

namespace platform {

// An explicit animation of a layer property from one value to another.
// The values are scale transforms (the only animated property here is
// "transform"). A layer keeps its own copy once the animation is added.
//
// Time: one pass takes `duration` seconds, a reversing cycle twice that;
// the cycle repeats `repeatCount` times (fractions allowed, 0 means once).
class BasicAnimation {
public:
    explicit BasicAnimation(std::string keyPath);
    static BasicAnimation animationWithKeyPath(std::string keyPath)
    {
        return BasicAnimation(std::move(keyPath));
    }

    const std::string& keyPath() const { return keyPath_; }
    Transform3D fromValue() const { return fromValue_; }
    void setFromValue(Transform3D value) { fromValue_ = value; }
    Transform3D toValue() const { return toValue_; }
    void setToValue(Transform3D value) { toValue_ = value; }
    // Seconds of one pass; 0 means the platform's 0.25 s.
    double duration() const { return duration_; }
    void setDuration(double seconds) { duration_ = seconds; }
    float repeatCount() const { return repeatCount_; }
    void setRepeatCount(float count) { repeatCount_ = count; }
    bool autoreverses() const { return autoreverses_; }
    void setAutoreverses(bool autoreverses) { autoreverses_ = autoreverses; }
    const MediaTimingFunction& timingFunction() const { return timingFunction_; }
    void setTimingFunction(MediaTimingFunction function) { timingFunction_ = function; }
    // When the animation starts, in Clock time; 0 means when it is added to
    // a layer.
    double beginTime() const { return beginTime_; }
    void setBeginTime(double time) { beginTime_ = time; }

    // Seconds from start to end of all repetitions.
    double activeDuration() const;
    // The animated value `elapsed` seconds after the start; nothing before
    // the start and from the end on, when the layer shows its own value.
    std::optional<Transform3D> valueAt(double elapsed) const;

private:
    double passDuration() const { return duration_ > 0 ? duration_ : 0.25; }

    std::string keyPath_;
    Transform3D fromValue_;
    Transform3D toValue_;
    double duration_ = 0;
    float repeatCount_ = 0;
    bool autoreverses_ = false;
    MediaTimingFunction timingFunction_;
    double beginTime_ = 0;
};

} // namespace platform
