#pragma once

#include "CGGeometry.h"

// Screen-space moves and zooms of points and rectangles (layers, markers,
// tile images). All arithmetic is 32-bit float.

// (point - pivot) * factor + pivot, on both axes.
CGPoint RMScaleCGPointAboutPoint(CGPoint point, float factor, CGPoint pivot);

// The origin scales about `pivot`, the size by `factor`.
CGRect RMScaleCGRectAboutPoint(CGRect rect, float factor, CGPoint pivot);

CGPoint RMTranslateCGPointBy(CGPoint point, CGSize delta);

// Moves the origin; the size is unchanged.
CGRect RMTranslateCGRectBy(CGRect rect, CGSize delta);
