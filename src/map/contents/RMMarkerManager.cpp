#include "RMMarkerManager.h"

#include "RMLayerSet.h"
#include "RMMapContents.h"
#include "RMMarker.h"
#include "RMMercatorToScreenProjection.h"
#include "RMProjection.h"

#include <algorithm>

RMMarkerManager::RMMarkerManager(RMMapContents& contents)
    : contents_(contents)
{ }

void RMMarkerManager::addMarker(const std::shared_ptr<RMMarker>& marker)
{
    if (RMLayerSet* overlay = contents_.overlay())
        overlay->addSublayer(marker);
}

void RMMarkerManager::addMarkerAtLatLong(const std::shared_ptr<RMMarker>& marker, RMLatLong point)
{
    if (!marker || !contents_.projection())
        return;
    marker->setProjectedLocation(contents_.projection()->latLongToPoint(point));
    addMarker(marker);
}

void RMMarkerManager::removeMarker(const std::shared_ptr<RMMarker>& marker)
{
    if (!marker)
        return;
    if (RMLayerSet* overlay = contents_.overlay())
        overlay->removeSublayer(marker);
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
    if (RMLayerSet* overlay = contents_.overlay())
        overlay->setSublayers({});
}

void RMMarkerManager::hideAllMarkers()
{
    if (RMLayerSet* overlay = contents_.overlay())
        overlay->setHidden(true);
}

void RMMarkerManager::unhideAllMarkers()
{
    if (RMLayerSet* overlay = contents_.overlay())
        overlay->setHidden(false);
}

std::vector<std::shared_ptr<RMMarker>> RMMarkerManager::markers() const
{
    std::vector<std::shared_ptr<RMMarker>> result;
    const RMLayerSet* overlay = contents_.overlay();
    if (!overlay)
        return result;
    const auto& sublayers = overlay->sublayers();
    result.reserve(sublayers.size());
    for (const auto& layer : sublayers) {
        if (auto marker = std::dynamic_pointer_cast<RMMarker>(layer))
            result.push_back(std::move(marker));
    }
    return result;
}

bool RMMarkerManager::managingMarker(const RMMarker* marker) const
{
    const RMLayerSet* overlay = contents_.overlay();
    if (!marker || !overlay)
        return false;
    return std::ranges::any_of(
        overlay->sublayers(), [marker](const auto& layer) { return layer.get() == marker; });
}

CGPoint RMMarkerManager::screenCoordinatesForMarker(const RMMarker& marker) const
{
    return contents_.mercatorToScreenProjection()->projectXYPoint(marker.projectedLocation());
}

RMLatLong RMMarkerManager::latitudeLongitudeForMarker(const RMMarker& marker) const
{
    return contents_.pixelToLatLong(screenCoordinatesForMarker(marker));
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
    return isMarkerWithinBounds(marker, contents_.screenBounds());
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
    if (!contents_.projection())
        return;
    RMMercatorToScreenProjection& camera = *contents_.mercatorToScreenProjection();
    marker.setProjectedLocation(contents_.projection()->latLongToPoint(point));
    marker.setPosition(camera.projectXYPoint(marker.projectedLocation()));
}

void RMMarkerManager::moveMarkerAtXY(RMMarker& marker, CGPoint point)
{
    marker.setProjectedLocation(contents_.mercatorToScreenProjection()->projectScreenPointToXY(point));
    marker.setPosition(point);
}
