#pragma once

// Screen geometry in points of the view: origin at the top left, y growing
// downwards, 32-bit float fields.
struct CGPoint {
    float x = 0, y = 0;
};
struct CGSize {
    float width = 0, height = 0;
};
struct CGRect {
    CGPoint origin;
    CGSize size;
};

inline CGPoint CGPointMake(float x, float y)
{
    return CGPoint { x, y };
}

inline CGSize CGSizeMake(float width, float height)
{
    return CGSize { width, height };
}

inline CGRect CGRectMake(float x, float y, float width, float height)
{
    return CGRect { { x, y }, { width, height } };
}

inline constexpr CGRect CGRectZero {};
