#pragma once

// Projected space: a flat plane in metres made by a cartographic projection,
// easting growing to the east and northing to the north. All arithmetic on
// these values is double precision.

struct RMProjectedPoint {
    double easting = 0;
    double northing = 0;

    friend bool operator==(const RMProjectedPoint&, const RMProjectedPoint&) = default;
};

struct RMProjectedSize {
    double width = 0;
    double height = 0;

    friend bool operator==(const RMProjectedSize&, const RMProjectedSize&) = default;
};

// `origin` is the south-west corner. Where a projection's planet bounds are
// concerned, a zero width or height means the bounds are unknown.
struct RMProjectedRect {
    RMProjectedPoint origin;
    RMProjectedSize size;

    friend bool operator==(const RMProjectedRect&, const RMProjectedRect&) = default;
};

RMProjectedRect RMMakeProjectedRect(double easting, double northing, double width, double height);

// Scales about `pivot`: (point - pivot) * factor + pivot. The factor is
// widened to double once; everything else is double.
RMProjectedPoint RMScaleProjectedPointAboutPoint(
    RMProjectedPoint point, float factor, RMProjectedPoint pivot);

// The origin scales about `pivot`, the size by `factor`.
RMProjectedRect RMScaleProjectedRectAboutPoint(RMProjectedRect rect, float factor, RMProjectedPoint pivot);
