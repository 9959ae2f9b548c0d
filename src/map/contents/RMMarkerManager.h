#pragma once

#include "CGGeometry.h"
#include "RMLatLong.h"

#include <memory>
#include <vector>

class RMMapContents;
class RMMarker;

// Puts markers on the map, moves, hides and finds them. It keeps no list of
// its own: the markers are the sublayers of the contents' overlay (in
// drawing order), and positions come from the contents' projections. With
// no overlay, nothing is placed and no marker is managed. The map contents
// make and own it. Screen points; main thread only.
class RMMarkerManager {
public:
    // `contents` own the manager, so they outlive it.
    explicit RMMarkerManager(RMMapContents& contents);
    RMMarkerManager(const RMMarkerManager&) = delete;
    RMMarkerManager& operator=(const RMMarkerManager&) = delete;

    RMMapContents& contents() const { return contents_; }

    // On top of the markers, at the screen point of its projected location.
    void addMarker(const std::shared_ptr<RMMarker>& marker);
    // Sets its projected location from the coordinate first.
    void addMarkerAtLatLong(const std::shared_ptr<RMMarker>& marker, RMLatLong point);
    // Takes the marker off its superlayer, whichever that is.
    void removeMarker(const std::shared_ptr<RMMarker>& marker);
    void removeMarkers(const std::vector<std::shared_ptr<RMMarker>>& markers);
    // Every marker leaves.
    void removeMarkers();
    // Hides / shows the overlay; the markers stay managed and follow the map.
    void hideAllMarkers();
    void unhideAllMarkers();

    // The overlay's sublayers that are markers, in drawing order.
    std::vector<std::shared_ptr<RMMarker>> markers() const;
    // False for null.
    bool managingMarker(const RMMarker* marker) const;
    // The screen point of the marker's projected location, managed or not.
    CGPoint screenCoordinatesForMarker(const RMMarker& marker) const;
    RMLatLong latitudeLongitudeForMarker(const RMMarker& marker) const;
    // Whether the marker is managed and its screen point lies in `rect`:
    // the west and north edges belong to the rectangle, the east and south
    // edges do not, so adjacent rectangles share no marker.
    bool isMarkerWithinBounds(const RMMarker& marker, CGRect rect) const;
    bool isMarkerWithinScreenBounds(const RMMarker& marker) const;
    // The markers within the screen bounds, in drawing order.
    std::vector<std::shared_ptr<RMMarker>> markersWithinScreenBounds() const;
    // Sets the projected location and the layer position together.
    void moveMarkerAtLatLon(RMMarker& marker, RMLatLong point);
    void moveMarkerAtXY(RMMarker& marker, CGPoint point);

private:
    RMMapContents& contents_;
};
