#include "RMPixel.h"

CGPoint RMScaleCGPointAboutPoint(CGPoint point, float factor, CGPoint pivot)
{
    return { (point.x - pivot.x) * factor + pivot.x, (point.y - pivot.y) * factor + pivot.y };
}

CGRect RMScaleCGRectAboutPoint(CGRect rect, float factor, CGPoint pivot)
{
    return { RMScaleCGPointAboutPoint(rect.origin, factor, pivot),
        { rect.size.width * factor, rect.size.height * factor } };
}

CGPoint RMTranslateCGPointBy(CGPoint point, CGSize delta)
{
    return { point.x + delta.width, point.y + delta.height };
}

CGRect RMTranslateCGRectBy(CGRect rect, CGSize delta)
{
    return { RMTranslateCGPointBy(rect.origin, delta), rect.size };
}
