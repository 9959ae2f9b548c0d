#pragma once

// A map view delegate that implements every operation and writes each call
// down as a short text, for the view tests.

#include "CGGeometry.h"
#include "Event.h"
#include "RMMapView.h"
#include "RMMapViewDelegate.h"
#include "RMMarker.h"

#include <fmt/format.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantry::test {

class DelegateRecorder : public RMMapViewDelegate,
                         public RMMapViewDelegate::BeforeMapMove,
                         public RMMapViewDelegate::AfterMapMove,
                         public RMMapViewDelegate::BeforeMapZoomByFactor,
                         public RMMapViewDelegate::AfterMapZoomByFactor,
                         public RMMapViewDelegate::DoubleTapOnMap,
                         public RMMapViewDelegate::SingleTapOnMap,
                         public RMMapViewDelegate::TapOnMarker,
                         public RMMapViewDelegate::TapOnLabelForMarker,
                         public RMMapViewDelegate::AfterMapTouch,
                         public RMMapViewDelegate::ShouldDragMarker,
                         public RMMapViewDelegate::DidDragMarker {
public:
    void beforeMapMove(RMMapView& map) override { note(map, "beforeMapMove"); }
    void afterMapMove(RMMapView& map) override { note(map, "afterMapMove"); }
    void beforeMapZoomByFactorNear(RMMapView& map, float factor, CGPoint center) override
    {
        note(map, fmt::format("beforeMapZoom {:g} at {:g},{:g}", factor, center.x, center.y));
    }
    void afterMapZoomByFactorNear(RMMapView& map, float factor, CGPoint center) override
    {
        note(map, fmt::format("afterMapZoom {:g} at {:g},{:g}", factor, center.x, center.y));
    }
    void doubleTapOnMapAt(RMMapView& map, CGPoint point) override
    {
        note(map, fmt::format("doubleTap at {:g},{:g}", point.x, point.y));
    }
    void singleTapOnMapAt(RMMapView& map, CGPoint point) override
    {
        note(map, fmt::format("singleTap at {:g},{:g}", point.x, point.y));
    }
    void tapOnMarkerOnMap(const std::shared_ptr<RMMarker>& marker, RMMapView& map) override
    {
        tappedMarker = marker;
        note(map, "tapOnMarker");
    }
    void tapOnLabelForMarkerOnMap(const std::shared_ptr<RMMarker>& marker, RMMapView& map) override
    {
        tappedMarker = marker;
        note(map, "tapOnLabel");
    }
    void afterMapTouch(RMMapView& map) override { note(map, "afterMapTouch"); }
    bool mapViewShouldDragMarkerWithEvent(
        RMMapView& map, const std::shared_ptr<RMMarker>&, const platform::Event&) override
    {
        note(map, "shouldDrag");
        return allowDrag;
    }
    void mapViewDidDragMarkerWithEvent(
        RMMapView& map, const std::shared_ptr<RMMarker>& marker, const platform::Event& event) override
    {
        draggedMarker = marker;
        note(map, "didDrag");
        if (onDrag)
            onDrag(*marker, event);
    }

    // The calls so far, and forgets them.
    std::vector<std::string> take() { return std::exchange(calls, {}); }

    std::vector<std::string> calls;
    bool allowDrag = true;
    std::shared_ptr<RMMarker> tappedMarker;
    std::shared_ptr<RMMarker> draggedMarker;
    // What a drag does besides being noted (the delegate moves the marker).
    std::function<void(RMMarker&, const platform::Event&)> onDrag;
    // Runs after a call named so is noted: a callback that destroys the view,
    // say.
    std::string trigger;
    std::function<void(RMMapView&)> onTrigger;

private:
    void note(RMMapView& map, std::string call)
    {
        const bool fire = onTrigger && call == trigger;
        calls.push_back(std::move(call));
        if (fire)
            onTrigger(map);
    }
};

} // namespace vantry::test
