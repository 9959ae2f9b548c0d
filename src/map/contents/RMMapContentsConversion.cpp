// Conversions between latitude/longitude, projected points and pixels, and
// the tiles-update delegate.
#include "RMMapContents.h"

#include "RMMercatorToScreenProjection.h"
#include "RMMercatorToTileProjection.h"
#include "RMProjection.h"
#include "RMTileSource.h"
#include "RMTilesUpdateDelegate.h"

#include <algorithm>
#include <cmath>

CGPoint RMMapContents::latLongToPixel(RMLatLong latLong) const
{
    if (!projection_)
        return CGPointZero;
    return mercatorToScreenProjection_->projectXYPoint(projection_->latLongToPoint(latLong));
}

CGPoint RMMapContents::latLongToPixelWithMetersPerPixel(RMLatLong latLong, float metersPerPixel) const
{
    if (!projection_)
        return CGPointZero;
    return mercatorToScreenProjection_->projectXYPointWithMetersPerPixel(
        projection_->latLongToPoint(latLong), metersPerPixel);
}

RMTilePoint RMMapContents::latLongToTilePointWithMetersPerPixel(RMLatLong latLong, float metersPerPixel) const
{
    if (!projection_ || !mercatorToTileProjection_)
        return {};
    return mercatorToTileProjection_->projectAtScale(projection_->latLongToPoint(latLong), metersPerPixel);
}

RMLatLong RMMapContents::pixelToLatLong(CGPoint pixel)
{
    if (!projection_)
        return {};
    return projection_->pointToLatLong(mercatorToScreenProjection_->projectScreenPointToXY(pixel));
}

RMLatLong RMMapContents::pixelToLatLongWithMetersPerPixel(CGPoint pixel, float metersPerPixel)
{
    if (!projection_)
        return {};
    return projection_->pointToLatLong(
        mercatorToScreenProjection_->projectScreenPointToXYWithMetersPerPixel(pixel, metersPerPixel));
}

RMLatLong RMMapContents::mapCenter() const
{
    if (!projection_)
        return {};
    return projection_->pointToLatLong(mercatorToScreenProjection_->projectedCenter());
}

float RMMapContents::tileZoom() const
{
    if (!mercatorToTileProjection_)
        return 0;
    const RMMercatorToTileProjection& tiles = *mercatorToTileProjection_;
    const float pointZoom = tiles.calculateZoomFromScale(mercatorToScreenProjection_->metersPerPixel());
    const float scale = contentScaleFactor_;
    if (!(scale > 1))
        return tiles.normaliseZoom(pointZoom);
    const float deepest = tileSource_ ? std::floor(tileSource_->maxZoom()) : 0.0f;
    const float matching = std::min(tiles.normaliseZoom(pointZoom + std::log2(scale)), deepest);
    return std::max(tiles.normaliseZoom(pointZoom), matching);
}

RMTileRect RMMapContents::tileBounds() const
{
    if (!mercatorToTileProjection_)
        return {};
    return mercatorToTileProjection_->projectRectAtZoom(
        mercatorToScreenProjection_->projectedBounds(), tileZoom());
}

double RMMapContents::scaleDenominator() const
{
    return metersPerPixel() / 0.0001543;
}

RMLatLongBounds RMMapContents::latitudeLongitudeBoundingBoxFor(CGRect rect)
{
    const float right = rect.origin.x + rect.size.width;
    const float bottom = rect.origin.y + rect.size.height;
    const RMLatLong topRight = pixelToLatLong(CGPointMake(right, rect.origin.y));
    const RMLatLong topLeft = pixelToLatLong(rect.origin);
    const RMLatLong bottomRight = pixelToLatLong(CGPointMake(right, bottom));
    const RMLatLong bottomLeft = pixelToLatLong(CGPointMake(rect.origin.x, bottom));

    const double north = std::max(topRight.latitude, topLeft.latitude);
    const double south = std::min(bottomRight.latitude, bottomLeft.latitude);
    // An edge whose ends lie more than 180° apart crosses the 180° meridian.
    const double west = std::abs(topLeft.longitude - bottomLeft.longitude) <= 180
        ? std::min(topLeft.longitude, bottomLeft.longitude)
        : std::max(topLeft.longitude, bottomLeft.longitude);
    const double east = std::abs(topRight.longitude - bottomRight.longitude) <= 180
        ? std::max(topRight.longitude, bottomRight.longitude)
        : std::min(topRight.longitude, bottomRight.longitude);
    return RMLatLongBounds { { north, east }, { south, west } };
}

RMLatLongBounds RMMapContents::latitudeLongitudeBoundingBoxForScreen()
{
    return latitudeLongitudeBoundingBoxFor(screenBounds());
}

void RMMapContents::tilesUpdatedRegion(CGRect rect)
{
    if (auto* delegate = tilesUpdateDelegateHas_.get<RMTilesUpdateDelegate::RegionUpdate>())
        delegate->regionUpdate(latitudeLongitudeBoundingBoxFor(rect));
}

void RMMapContents::setTilesUpdateDelegate(RMTilesUpdateDelegate* delegate)
{
    if (delegate == tilesUpdateDelegate_)
        return;
    tilesUpdateDelegate_ = delegate;
    tilesUpdateDelegateHas_ = RMTilesUpdateDelegate::Operations(delegate);
}
