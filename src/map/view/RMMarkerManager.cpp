#include "RMMarkerManager.h"

#include "RMLayerSet.h"
#include "RMMapContents.h"
#include "RMMarker.h"
#include "RMMercatorToScreenProjection.h"
#include "RMProjection.h"

#include <algorithm>

RMMarkerManager::RMMarkerManager(RMMapContents* contents)
    : contents_(contents)
{ }

RMMarkerManager::~RMMarkerManager()
{
    contents_ = nullptr;
}

void RMMarkerManager::addMarker(const std::shared_ptr<RMMarker>& marker)
{
    if (contents_ && contents_->overlay())
        contents_->overlay()->addSublayer(marker);
}

void RMMarkerManager::addMarkerAtLatLong(const std::shared_ptr<RMMarker>& marker, RMLatLong point)
{
    if (!marker || !contents_ || !contents_->projection())
        return;
    marker->setProjectedLocation(contents_->projection()->latLongToPoint(point));
    addMarker(marker);
}

void RMMarkerManager::removeMarker(const std::shared_ptr<RMMarker>& marker)
{
    if (!marker)
        return;
    if (contents_ && contents_->overlay())
        contents_->overlay()->removeSublayer(marker);
    else
        marker->removeFromSuperlayer();
}

void RMMarkerManager::removeMarkers(const std::vector<std::shared_ptr<RMMarker>>& markers)
{
    for (const auto& marker : markers)
        removeMarker(marker);
}

void RMMarkerManager::removeMarkers()
{
    if (contents_ && contents_->overlay())
        contents_->overlay()->setSublayers({});
}

void RMMarkerManager::hideAllMarkers()
{
    if (contents_ && contents_->overlay())
        contents_->overlay()->setHidden(true);
}

void RMMarkerManager::unhideAllMarkers()
{
    if (contents_ && contents_->overlay())
        contents_->overlay()->setHidden(false);
}

std::vector<std::shared_ptr<RMMarker>> RMMarkerManager::markers() const
{
    std::vector<std::shared_ptr<RMMarker>> result;
    if (!contents_ || !contents_->overlay())
        return result;
    const auto& sublayers = contents_->overlay()->sublayers();
    result.reserve(sublayers.size());
    for (const auto& layer : sublayers) {
        if (auto marker = std::dynamic_pointer_cast<RMMarker>(layer))
            result.push_back(std::move(marker));
    }
    return result;
}

bool RMMarkerManager::managingMarker(const RMMarker* marker) const
{
    if (!marker || !contents_ || !contents_->overlay())
        return false;
    const auto& sublayers = contents_->overlay()->sublayers();
    return std::ranges::any_of(sublayers, [marker](const auto& layer) { return layer.get() == marker; });
}

CGPoint RMMarkerManager::screenCoordinatesForMarker(const RMMarker& marker) const
{
    if (!contents_ || !contents_->mercatorToScreenProjection())
        return CGPointZero;
    return contents_->mercatorToScreenProjection()->projectXYPoint(marker.projectedLocation());
}

RMLatLong RMMarkerManager::latitudeLongitudeForMarker(const RMMarker& marker) const
{
    if (!contents_)
        return {};
    return contents_->pixelToLatLong(screenCoordinatesForMarker(marker));
}

bool RMMarkerManager::isMarkerWithinBounds(const RMMarker& marker, CGRect rect) const
{
    if (!managingMarker(&marker))
        return false;
    const CGPoint point = screenCoordinatesForMarker(marker);
    return rect.origin.x <= point.x && point.x < rect.origin.x + rect.size.width && rect.origin.y <= point.y
        && point.y < rect.origin.y + rect.size.height;
}

bool RMMarkerManager::isMarkerWithinScreenBounds(const RMMarker& marker) const
{
    return contents_ && isMarkerWithinBounds(marker, contents_->screenBounds());
}

std::vector<std::shared_ptr<RMMarker>> RMMarkerManager::markersWithinScreenBounds() const
{
    std::vector<std::shared_ptr<RMMarker>> result;
    for (auto& marker : markers()) {
        if (isMarkerWithinScreenBounds(*marker))
            result.push_back(std::move(marker));
    }
    return result;
}

void RMMarkerManager::moveMarkerAtLatLon(RMMarker& marker, RMLatLong point)
{
    if (!contents_ || !contents_->projection() || !contents_->mercatorToScreenProjection())
        return;
    marker.setProjectedLocation(contents_->projection()->latLongToPoint(point));
    marker.setPosition(contents_->mercatorToScreenProjection()->projectXYPoint(marker.projectedLocation()));
}

void RMMarkerManager::moveMarkerAtXY(RMMarker& marker, CGPoint point)
{
    if (!contents_ || !contents_->mercatorToScreenProjection())
        return;
    marker.setProjectedLocation(contents_->mercatorToScreenProjection()->projectScreenPointToXY(point));
    marker.setPosition(point);
}
