#pragma once

#include "CGGeometry.h"
#include "ScrollLayer.h"

#include <memory>
#include <string_view>

// A layer drawn over the map tiles that follows the map: it moves by a
// screen delta and scales about a point, and never animates its position or
// size. The base of markers and layer sets; the map contents also use a
// plain one as their background. Screen points; main thread only.
class RMMapLayer : public platform::ScrollLayer {
public:
    RMMapLayer() = default;

    // No action for "position" and "bounds"; the platform's default otherwise.
    std::shared_ptr<const platform::Action> actionForKey(std::string_view key) const override;
    // position += delta.
    virtual void moveBy(CGSize delta);
    // The position scales about `pivot`, then the bounds about the point
    // whose coordinates are the anchor point's values (so the size scales).
    virtual void zoomByFactorNear(float factor, CGPoint pivot);
};
