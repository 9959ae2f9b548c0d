#pragma once

#include "RMMercatorToTileProjection.h"

class RMProjection;

// The tile pyramid over a geographic projection's planet bounds: at zoom z
// the bounds are cut into 2^z by 2^z square tiles of `tileSideLength`
// pixels, row 0 at the north edge. Immutable.
//
// Precision: zooms, scales, limits and tile offsets are 32-bit floats; tile
// positions are computed in double, and scale/zoom conversions in double
// and then narrowed.
class RMFractalTileProjection final : public RMMercatorToTileProjection {
public:
    // Copies the projection's planet bounds (the projection is borrowed, not
    // kept). Throws base::NamedException "RMUnknownBoundsException" when
    // the bounds are unknown (zero width or height), as they are for a null
    // projection.
    RMFractalTileProjection(const RMProjection* projection, uint32_t tileSideLength, uint32_t maxZoom);

    RMProjectedRect planetBounds() const override { return planetBounds_; }
    uint32_t maxZoom() const override { return maxZoom_; }
    uint32_t tileSideLength() const override { return tileSideLength_; }

    float calculateScaleFromZoom(float zoom) const override;
    float calculateNormalisedZoomFromScale(float metersPerPixel) const override;
    // Not finite for scales of 0 or below.
    float calculateZoomFromScale(float metersPerPixel) const override;
    // Halves round away from zero; NaN stays NaN.
    float normaliseZoom(float zoom) const override;
    RMTile normaliseTile(RMTile tile) const override;

    RMTileRect project(const RMMercatorToScreenProjection& screen) const override;
    RMTileRect projectRectAtScale(RMProjectedRect rect, float metersPerPixel) const override;
    RMTilePoint projectAtScale(RMProjectedPoint point, float metersPerPixel) const override;
    RMTileRect projectRectAtZoom(RMProjectedRect rect, float zoom) const override;
    RMTilePoint projectAtZoom(RMProjectedPoint point, float zoom) const override;

    // Tiles per planet side at a whole zoom: 2^zoom in single precision.
    float limitFromNormalisedZoom(float zoom) const;

    // The easting wrapped into the planet bounds (both edges inclusive);
    // the northing unchanged.
    RMProjectedPoint constrainPointHorizontally(RMProjectedPoint point) const;

    // The tile point of `point` on a grid of `limit` tiles per side.
    // Columns and rows saturate to 0...0xFFFFFFFF (a point north of the
    // bounds is in row 0 with a negative offset); the zoom is truncated
    // into the 16-bit range; NaN positions give 0.
    RMTilePoint projectInternalNormalisedZoomLimit(RMProjectedPoint point, float zoom, float limit) const;

private:
    uint32_t maxZoom_;
    RMProjectedRect planetBounds_;
    uint32_t tileSideLength_;
    // log2(planet width / tileSideLength): the zoom at which a pixel covers
    // one metre.
    double scaleFactor_;
};
