#pragma once

#include "MapViewOptions.h"
#include "RMMapView.h"
#include "RMMapViewDelegate.h"

#include <memory>
#include <string>
#include <vector>

class RMAttributionLabel;
class RMMarker;

// The map window of vantry-map: a map view as a top-level window, with the
// tile source's required attribution in its bottom-right corner, markers
// that show or hide their label when tapped and that a finger (or the
// mouse) drags, and a glide after a flick. Main thread only.
class MapWindow : public RMMapViewDelegate,
                  public RMMapViewDelegate::TapOnMarker,
                  public RMMapViewDelegate::TapOnLabelForMarker,
                  public RMMapViewDelegate::DidDragMarker,
                  public RMMapViewDelegate::AfterMapTouch {
public:
    // Builds the map (the OpenStreetMap source through the cache chain) and
    // the markers; `markerPictures` holds one picture per option marker.
    MapWindow(const MapViewOptions& options, const std::vector<platform::Image>& markerPictures);
    ~MapWindow() override;
    MapWindow(const MapWindow&) = delete;
    MapWindow& operator=(const MapWindow&) = delete;

    RMMapView& view() { return *view_; }
    void show();

    void tapOnMarkerOnMap(const std::shared_ptr<RMMarker>& marker, RMMapView& map) override;
    void tapOnLabelForMarkerOnMap(const std::shared_ptr<RMMarker>& marker, RMMapView& map) override;
    void mapViewDidDragMarkerWithEvent(
        RMMapView& map, const std::shared_ptr<RMMarker>& marker, const platform::Event& event) override;
    void afterMapTouch(RMMapView& map) override;

private:
    // The marker's label names its position; a hidden label stays hidden.
    void labelWithPosition(RMMarker& marker);

    std::unique_ptr<RMMapView> view_;
    std::unique_ptr<RMAttributionLabel> attribution_;
    std::vector<std::shared_ptr<RMMarker>> markers_;
    std::vector<std::shared_ptr<RMMarker>> dragged_;
};
