#include "RMFractalTileProjection.h"

#include "Exception.h"
#include "RMEastingWrap.h"
#include "RMMercatorToScreenProjection.h"
#include "RMProjection.h"

#include <cmath>
#include <limits>

namespace {

// Truncation toward zero that saturates at the type's limits and gives 0 for
// NaN, where a plain conversion would be undefined.
template<typename Integer> Integer truncateSaturating(double value)
{
    constexpr Integer lowest = std::numeric_limits<Integer>::lowest();
    constexpr Integer highest = std::numeric_limits<Integer>::max();
    if (std::isnan(value))
        return 0;
    if (value <= static_cast<double>(lowest))
        return lowest;
    if (value >= static_cast<double>(highest))
        return highest;
    return static_cast<Integer>(value);
}

// From this zoom on, every 32-bit column and row lies inside the grid.
constexpr int16_t firstZoomWiderThanTileCoordinates = 32;

} // namespace

RMFractalTileProjection::RMFractalTileProjection(
    const RMProjection* projection, uint32_t tileSideLength, uint32_t maxZoom)
    : maxZoom_(maxZoom)
    , planetBounds_(projection ? projection->planetBounds() : RMProjectedRect {})
    , tileSideLength_(tileSideLength)
    , scaleFactor_(std::log2(planetBounds_.size.width / tileSideLength))
{
    if (planetBounds_.size.width == 0 || planetBounds_.size.height == 0)
        throw base::NamedException("RMUnknownBoundsException",
            "RMFractalTileProjection was initialised with a projection with unknown bounds");
}

float RMFractalTileProjection::calculateScaleFromZoom(float zoom) const
{
    return static_cast<float>(
        planetBounds_.size.width / tileSideLength_ / std::exp2(static_cast<double>(zoom)));
}

float RMFractalTileProjection::calculateNormalisedZoomFromScale(float metersPerPixel) const
{
    return normaliseZoom(calculateZoomFromScale(metersPerPixel));
}

float RMFractalTileProjection::calculateZoomFromScale(float metersPerPixel) const
{
    return static_cast<float>(scaleFactor_ - std::log2(static_cast<double>(metersPerPixel)));
}

float RMFractalTileProjection::normaliseZoom(float zoom) const
{
    float normalised = std::round(zoom);
    if (normalised > static_cast<float>(maxZoom_))
        normalised = static_cast<float>(maxZoom_);
    if (normalised < 0)
        normalised = 0;
    return normalised;
}

float RMFractalTileProjection::limitFromNormalisedZoom(float zoom) const
{
    return std::exp2(zoom);
}

RMTile RMFractalTileProjection::normaliseTile(RMTile tile) const
{
    if (tile.zoom >= firstZoomWiderThanTileCoordinates)
        return tile;
    const uint32_t tilesPerSide = tile.zoom <= 0 ? 1u : 1u << tile.zoom;
    if (tile.y >= tilesPerSide)
        return RMTileDummy();
    tile.x &= tilesPerSide - 1;
    return tile;
}

RMProjectedPoint RMFractalTileProjection::constrainPointHorizontally(RMProjectedPoint point) const
{
    point.easting = RMWrapEasting(point.easting, planetBounds_.origin.easting, planetBounds_.size.width);
    return point;
}

RMTilePoint RMFractalTileProjection::projectInternalNormalisedZoomLimit(
    RMProjectedPoint point, float zoom, float limit) const
{
    const RMProjectedPoint p = constrainPointHorizontally(point);
    const double fx = (p.easting - planetBounds_.origin.easting) / planetBounds_.size.width * limit;
    const double fy = ((planetBounds_.origin.northing - p.northing) / planetBounds_.size.height + 1) * limit;

    RMTilePoint result;
    result.tile.x = truncateSaturating<uint32_t>(fx);
    result.tile.y = truncateSaturating<uint32_t>(fy);
    result.tile.zoom = truncateSaturating<int16_t>(zoom);
    result.offset.x = static_cast<float>(fx) - static_cast<float>(result.tile.x);
    result.offset.y = static_cast<float>(fy) - static_cast<float>(result.tile.y);
    return result;
}

RMTilePoint RMFractalTileProjection::projectAtZoom(RMProjectedPoint point, float zoom) const
{
    const float normalised = normaliseZoom(zoom);
    return projectInternalNormalisedZoomLimit(point, normalised, limitFromNormalisedZoom(normalised));
}

RMTileRect RMFractalTileProjection::projectRectAtZoom(RMProjectedRect rect, float zoom) const
{
    // normaliseZoom gives whole levels, so the limit is 2^z exactly.
    const float normalised = normaliseZoom(zoom);
    const float limit = limitFromNormalisedZoom(normalised);
    const RMProjectedPoint northWest { rect.origin.easting, rect.origin.northing + rect.size.height };

    RMTileRect result;
    result.origin = projectInternalNormalisedZoomLimit(northWest, normalised, limit);
    result.size.width = static_cast<float>(rect.size.width / planetBounds_.size.width * limit);
    result.size.height = static_cast<float>(limit * (rect.size.height / planetBounds_.size.height));
    return result;
}

RMTilePoint RMFractalTileProjection::projectAtScale(RMProjectedPoint point, float metersPerPixel) const
{
    return projectAtZoom(point, calculateZoomFromScale(metersPerPixel));
}

RMTileRect RMFractalTileProjection::projectRectAtScale(RMProjectedRect rect, float metersPerPixel) const
{
    return projectRectAtZoom(rect, calculateZoomFromScale(metersPerPixel));
}

RMTileRect RMFractalTileProjection::project(const RMMercatorToScreenProjection& screen) const
{
    return projectRectAtScale(screen.projectedBounds(), screen.metersPerPixel());
}
