#include "DrawingLayer.h"

namespace platform {

DrawingLayer::DrawingLayer(Drawer drawer)
{
    setDrawer(std::move(drawer));
}

void DrawingLayer::setDrawer(Drawer drawer)
{
    drawer_ = std::move(drawer);
    setDrawsInContext(static_cast<bool>(drawer_));
    setNeedsDisplay();
}

void DrawingLayer::drawInContext(QPainter& painter) const
{
    if (drawer_)
        drawer_(painter, bounds());
}

} // namespace platform
