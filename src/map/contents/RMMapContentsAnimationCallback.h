#pragma once

#include "CGGeometry.h"

// What may be told when an animated zoom of the map contents ends. Its one
// operation is optional: a callback implements it by also deriving from
// AnimationFinished; the contents ask (dynamic_cast) and never call it on a
// callback without it. Callbacks are not owned and must outlive the
// animations they are given to (the map view owns the contents, so it does).
class RMMapContentsAnimationCallback {
public:
    RMMapContentsAnimationCallback() = default;
    virtual ~RMMapContentsAnimationCallback() = default;
    RMMapContentsAnimationCallback(const RMMapContentsAnimationCallback&) = delete;
    RMMapContentsAnimationCallback& operator=(const RMMapContentsAnimationCallback&) = delete;

    class AnimationFinished {
    public:
        // `zoomFactor` is the animation's target zoom level (not a factor);
        // `pivot` is its pivot in screen points.
        virtual void animationFinishedWithZoomFactorNear(float zoomFactor, CGPoint pivot) = 0;

    protected:
        ~AnimationFinished() = default;
    };
};
