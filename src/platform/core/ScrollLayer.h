#pragma once

#include "Layer.h"

namespace platform {

// A layer that shows a part of its content by moving its bounds' origin,
// and clips its sublayers to its bounds by default.
class ScrollLayer : public Layer {
public:
    ScrollLayer();

    // Shows the content so that `point` (in this layer's coordinates) is at
    // the top left.
    void scrollToPoint(CGPoint point);
    // Scrolls as little as needed to show as much of `rect` as fits.
    void scrollToRect(CGRect rect);
};

} // namespace platform
