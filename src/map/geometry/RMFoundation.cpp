#include "RMFoundation.h"

RMProjectedRect RMMakeProjectedRect(double easting, double northing, double width, double height)
{
    return { { easting, northing }, { width, height } };
}

RMProjectedPoint RMScaleProjectedPointAboutPoint(RMProjectedPoint point, float factor, RMProjectedPoint pivot)
{
    const double f = factor;
    return { (point.easting - pivot.easting) * f + pivot.easting,
        (point.northing - pivot.northing) * f + pivot.northing };
}

RMProjectedRect RMScaleProjectedRectAboutPoint(RMProjectedRect rect, float factor, RMProjectedPoint pivot)
{
    const double f = factor;
    return { RMScaleProjectedPointAboutPoint(rect.origin, factor, pivot),
        { f * rect.size.width, f * rect.size.height } };
}
