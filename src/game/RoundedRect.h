#pragma once

#include "CGGeometry.h"

class QPainterPath;

namespace game {

// Adds a closed rounded rectangle to `path` as a new subpath: the corners
// are quarter ellipses with radii `ovalWidth` (across) and `ovalHeight`
// (down), in the path's units (points). With either oval size 0 the plain
// rectangle is added. The outline starts at the middle of the right edge
// and runs through the bottom right, bottom left, top left and top right
// corners.
void addRoundedRectToPath(QPainterPath& path, CGRect rect, float ovalWidth, float ovalHeight);

} // namespace game
