#pragma once

#include "RMFoundation.h"

// A layer pinned to a map position: the layer set that holds it puts its
// position (the point its anchor point marks) at the screen point of that
// projected location. Markers are such layers.
class RMMovingMapLayer {
public:
    // Metres in the contents' projected space.
    virtual RMProjectedPoint projectedLocation() const = 0;
    // Stores the location; does not move the layer.
    virtual void setProjectedLocation(RMProjectedPoint location) = 0;

protected:
    ~RMMovingMapLayer() = default;
};
