#pragma once

// The platform's screen geometry: points, sizes and rectangles in screen
// points of a view, origin at the top left, y growing downwards. Fields are
// 32-bit floats; the map engine's pixel arithmetic depends on that width.
//
// The types live in namespace platform and are also visible under their
// platform names at global scope, beside the map engine's value types.
namespace platform {

struct CGPoint {
    float x = 0;
    float y = 0;
};

struct CGSize {
    float width = 0;
    float height = 0;
};

// A rectangle may have a negative width or height; the functions below
// work on its standardized form (the same area with non-negative extents).
struct CGRect {
    CGPoint origin;
    CGSize size;
};

inline constexpr CGPoint CGPointZero {};
inline constexpr CGSize CGSizeZero {};
inline constexpr CGRect CGRectZero {};

constexpr CGPoint CGPointMake(float x, float y)
{
    return { x, y };
}
constexpr CGSize CGSizeMake(float width, float height)
{
    return { width, height };
}
constexpr CGRect CGRectMake(float x, float y, float width, float height)
{
    return { { x, y }, { width, height } };
}

constexpr CGRect CGRectStandardize(CGRect rect)
{
    if (rect.size.width < 0) {
        rect.origin.x += rect.size.width;
        rect.size.width = -rect.size.width;
    }
    if (rect.size.height < 0) {
        rect.origin.y += rect.size.height;
        rect.size.height = -rect.size.height;
    }
    return rect;
}

constexpr float CGRectGetMinX(CGRect rect)
{
    return CGRectStandardize(rect).origin.x;
}
constexpr float CGRectGetMinY(CGRect rect)
{
    return CGRectStandardize(rect).origin.y;
}
constexpr float CGRectGetMaxX(CGRect rect)
{
    const CGRect standard = CGRectStandardize(rect);
    return standard.origin.x + standard.size.width;
}
constexpr float CGRectGetMaxY(CGRect rect)
{
    const CGRect standard = CGRectStandardize(rect);
    return standard.origin.y + standard.size.height;
}
constexpr float CGRectGetMidX(CGRect rect)
{
    return CGRectGetMinX(rect) + CGRectStandardize(rect).size.width / 2;
}

constexpr float CGRectGetMidY(CGRect rect)
{
    return CGRectGetMinY(rect) + CGRectStandardize(rect).size.height / 2;
}

constexpr float CGRectGetWidth(CGRect rect)
{
    return CGRectStandardize(rect).size.width;
}
constexpr float CGRectGetHeight(CGRect rect)
{
    return CGRectStandardize(rect).size.height;
}

constexpr bool CGPointEqualToPoint(CGPoint a, CGPoint b)
{
    return a.x == b.x && a.y == b.y;
}
constexpr bool CGSizeEqualToSize(CGSize a, CGSize b)
{
    return a.width == b.width && a.height == b.height;
}

// Equal when both describe the same area: rectangles are compared in their
// standardized form, so {0, 0, -1, -1} equals {-1, -1, 1, 1}.
constexpr bool CGRectEqualToRect(CGRect a, CGRect b)
{
    const CGRect sa = CGRectStandardize(a);
    const CGRect sb = CGRectStandardize(b);
    return CGPointEqualToPoint(sa.origin, sb.origin) && CGSizeEqualToSize(sa.size, sb.size);
}

// Half-open: the west and north edges belong to the rectangle, the east and
// south edges do not, so adjacent rectangles never share a point.
constexpr bool CGRectContainsPoint(CGRect rect, CGPoint point)
{
    const CGRect r = CGRectStandardize(rect);
    return point.x >= r.origin.x && point.x < r.origin.x + r.size.width && point.y >= r.origin.y
        && point.y < r.origin.y + r.size.height;
}

// Closed: `inner` is contained when it lies within `outer` edges included,
// so every rectangle contains itself. An empty `inner` still has a position
// and is contained only where that position lies within `outer`.
constexpr bool CGRectContainsRect(CGRect outer, CGRect inner)
{
    return CGRectGetMinX(inner) >= CGRectGetMinX(outer) && CGRectGetMaxX(inner) <= CGRectGetMaxX(outer)
        && CGRectGetMinY(inner) >= CGRectGetMinY(outer) && CGRectGetMaxY(inner) <= CGRectGetMaxY(outer);
}

} // namespace platform

using platform::CGPoint;
using platform::CGPointEqualToPoint;
using platform::CGPointMake;
using platform::CGPointZero;
using platform::CGRect;
using platform::CGRectContainsPoint;
using platform::CGRectContainsRect;
using platform::CGRectEqualToRect;
using platform::CGRectGetHeight;
using platform::CGRectGetMaxX;
using platform::CGRectGetMaxY;
using platform::CGRectGetMinX;
using platform::CGRectGetMidX;
using platform::CGRectGetMidY;
using platform::CGRectGetMinY;
using platform::CGRectGetWidth;
using platform::CGRectMake;
using platform::CGRectStandardize;
using platform::CGRectZero;
using platform::CGSize;
using platform::CGSizeEqualToSize;
using platform::CGSizeMake;
using platform::CGSizeZero;
