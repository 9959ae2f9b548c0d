#pragma once

#include "CGGeometry.h"
#include "Layer.h"

#include <functional>

class QPainter;

namespace platform {

// A layer whose drawing is a function, for views that draw themselves
// (buttons, bubbles, indicators) without a layer class of their own.
class DrawingLayer : public Layer {
public:
    // Draws in the layer's own coordinates; `bounds` is the layer's bounds.
    using Drawer = std::function<void(QPainter& painter, CGRect bounds)>;

    explicit DrawingLayer(Drawer drawer = {});

    // A new drawer redraws the layer.
    void setDrawer(Drawer drawer);
    void drawInContext(QPainter& painter) const override;

private:
    Drawer drawer_;
};

} // namespace platform
