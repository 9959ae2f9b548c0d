#pragma once

#include "CGGeometry.h"
#include "RMOptionalOperations.h"

// What may be told when an animated zoom of the map contents ends. Its one
// operation is optional: a callback implements it by also deriving from
// AnimationFinished; the contents ask (`Operations`) when an animation
// starts and never call it on a callback without it. Callbacks are not
// owned: one that goes before its animations end says so
// (RMMapContents::forgetAnimationCallback), as the map view does.
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

    using Operations = RMOptionalOperations<AnimationFinished>;
};
