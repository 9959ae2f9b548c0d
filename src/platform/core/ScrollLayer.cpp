#include "ScrollLayer.h"

namespace platform {

namespace {

// The new start of a visible span [start, start + length) that shows as much
// of [first, first + extent) as possible with the smallest move.
float scrolledStart(float start, float length, float first, float extent)
{
    if (extent >= length || first < start)
        return first;
    if (first + extent > start + length)
        return first + extent - length;
    return start;
}

} // namespace

ScrollLayer::ScrollLayer()
{
    setMasksToBounds(true);
}

void ScrollLayer::scrollToPoint(CGPoint point)
{
    CGRect shown = bounds();
    shown.origin = point;
    setBounds(shown);
}

void ScrollLayer::scrollToRect(CGRect rect)
{
    const CGRect shown = bounds();
    scrollToPoint(CGPoint { scrolledStart(shown.origin.x, shown.size.width, rect.origin.x, rect.size.width),
        scrolledStart(shown.origin.y, shown.size.height, rect.origin.y, rect.size.height) });
}

} // namespace platform
