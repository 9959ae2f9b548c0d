#pragma once

#include "RMFoundation.h"
#include "RMTile.h"

#include <cstdint>

class RMMercatorToScreenProjection;

// The tile grid of a tile source, as the map contents, the tile loader and
// the tile image set use it: the projected plane cut into 2^z by 2^z tiles
// at zoom z, and conversions between scales (metres per pixel) and zooms.
class RMMercatorToTileProjection {
public:
    RMMercatorToTileProjection() = default;
    virtual ~RMMercatorToTileProjection() = default;
    RMMercatorToTileProjection(const RMMercatorToTileProjection&) = delete;
    RMMercatorToTileProjection& operator=(const RMMercatorToTileProjection&) = delete;

    virtual RMProjectedRect planetBounds() const = 0;
    virtual uint32_t maxZoom() const = 0;
    // Tile edge in pixels.
    virtual uint32_t tileSideLength() const = 0;
    // Metres per pixel at a zoom level.
    virtual float calculateScaleFromZoom(float zoom) const = 0;
    virtual float calculateNormalisedZoomFromScale(float metersPerPixel) const = 0;
    // The zoom, not rounded, at which a pixel covers `metersPerPixel`.
    virtual float calculateZoomFromScale(float metersPerPixel) const = 0;
    // Rounded to a whole level and clamped to 0...maxZoom.
    virtual float normaliseZoom(float zoom) const = 0;
    // Column wrapped into the grid; the dummy tile for rows outside it.
    virtual RMTile normaliseTile(RMTile tile) const = 0;
    // The tiles of the area that `screen` shows.
    virtual RMTileRect project(const RMMercatorToScreenProjection& screen) const = 0;
    virtual RMTileRect projectRectAtScale(RMProjectedRect rect, float metersPerPixel) const = 0;
    virtual RMTilePoint projectAtScale(RMProjectedPoint point, float metersPerPixel) const = 0;
    virtual RMTileRect projectRectAtZoom(RMProjectedRect rect, float zoom) const = 0;
    virtual RMTilePoint projectAtZoom(RMProjectedPoint point, float zoom) const = 0;
};
