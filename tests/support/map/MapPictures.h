#pragma once

// Reading back pictures of a map whose tiles are the tile art (tiles that
// show their own colour and grid lines; see TestImages.h's tileColor).

#include "CGGeometry.h"
#include "RMFoundation.h"
#include "RMTile.h"

#include <QColor>
#include <QImage>

#include <functional>
#include <memory>
#include <vector>

class RMMapContents;
class RMMarker;
class RMMercatorToTileProjection;
class RMTileImage;

namespace vantry::test {

// Painted where no layer draws; no tile has this colour.
inline const QColor kGapColour(255, 0, 255);
// The middle pixel of anchorMarker().
inline const QRgb kAnchorColour = qRgb(0, 0, 255);

// The largest difference between the two colours on one channel.
int colourDistance(QRgb a, const QColor& b);
// The pixels of the picture in the gap colour.
int countGaps(const QImage& picture);
// A 21 × 21 red marker with a blue middle pixel: its anchor (0.5, 0.5)
// lies in the middle of that pixel.
std::shared_ptr<RMMarker> anchorMarker();

// The north-west corner of a tile in projected metres.
RMProjectedPoint tileCorner(const RMMercatorToTileProjection& grid, RMTile tile);

// A tile image on screen and the pixel of its north-west corner.
struct TileCorner {
    std::shared_ptr<RMTileImage> image;
    CGPoint at;
    // A quarter of the tile's side: the tile art's grid cell.
    float cell = 0;
};
// Every tile image on the contents' screen with its corner as `pixelOf`
// (the conversion under test) places it.
std::vector<TileCorner> tileCorners(
    const RMMapContents& contents, const std::function<CGPoint(RMProjectedPoint)>& pixelOf);
// Whether the picture shows the tile's own colour in the middle of the
// tile's first grid cell, as it does when the tile lies at its corner.
bool showsOwnColourInFirstCell(const QImage& picture, const TileCorner& corner);

} // namespace vantry::test
