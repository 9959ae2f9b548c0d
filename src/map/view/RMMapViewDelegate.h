#pragma once

#include "CGGeometry.h"
#include "RMOptionalOperations.h"

#include <memory>

class RMMapView;
class RMMarker;

namespace platform {
class Event;
}

// What a map view tells its delegate. Every operation is optional: a
// delegate implements one by also deriving from its interface below, and
// the view asks which ones once, when the delegate is set (the table
// `Operations` at the end lists them all); it never calls an operation the
// delegate lacks.
//
//     class GameMap : public RMMapViewDelegate, public RMMapViewDelegate::TapOnMarker { ... };
//
// Delegates are not owned: one must be unset (setDelegate(nullptr)) or
// outlive the view. A callback may destroy the view that calls it; the view
// then stops handling the event. Points are in the view's coordinates.
class RMMapViewDelegate {
public:
    RMMapViewDelegate() = default;
    virtual ~RMMapViewDelegate() = default;
    RMMapViewDelegate(const RMMapViewDelegate&) = delete;
    RMMapViewDelegate& operator=(const RMMapViewDelegate&) = delete;

    // Before / after every move done through the view (a drag step, the end
    // of a glide, moveBy, moveToLatLong, moveToProjectedPoint).
    class BeforeMapMove {
    public:
        virtual void beforeMapMove(RMMapView& map) = 0;

    protected:
        ~BeforeMapMove() = default;
    };
    class AfterMapMove {
    public:
        virtual void afterMapMove(RMMapView& map) = 0;

    protected:
        ~AfterMapMove() = default;
    };

    // Before every zoom done through the view (> 1 zooms in, about `center`).
    class BeforeMapZoomByFactor {
    public:
        virtual void beforeMapZoomByFactorNear(RMMapView& map, float zoomFactor, CGPoint center) = 0;

    protected:
        ~BeforeMapZoomByFactor() = default;
    };
    // After a zoom done through the view. After an animated zoom this comes
    // when the animation ends, and `zoomFactor` is then the zoom level the
    // animation aimed at.
    class AfterMapZoomByFactor {
    public:
        virtual void afterMapZoomByFactorNear(RMMapView& map, float zoomFactor, CGPoint center) = 0;

    protected:
        ~AfterMapZoomByFactor() = default;
    };

    // A double (or triple...) tap; the view then does not zoom by itself.
    class DoubleTapOnMap {
    public:
        virtual void doubleTapOnMapAt(RMMapView& map, CGPoint point) = 0;

    protected:
        ~DoubleTapOnMap() = default;
    };
    // A single tap on neither a marker nor a marker's label.
    class SingleTapOnMap {
    public:
        virtual void singleTapOnMapAt(RMMapView& map, CGPoint point) = 0;

    protected:
        ~SingleTapOnMap() = default;
    };
    class TapOnMarker {
    public:
        virtual void tapOnMarkerOnMap(const std::shared_ptr<RMMarker>& marker, RMMapView& map) = 0;

    protected:
        ~TapOnMarker() = default;
    };
    // A single tap on the label of `marker`.
    class TapOnLabelForMarker {
    public:
        virtual void tapOnLabelForMarkerOnMap(const std::shared_ptr<RMMarker>& marker, RMMapView& map) = 0;

    protected:
        ~TapOnLabelForMarker() = default;
    };

    // The last step of every touch-ended or touch-cancelled event the view
    // handles.
    class AfterMapTouch {
    public:
        virtual void afterMapTouch(RMMapView& map) = 0;

    protected:
        ~AfterMapTouch() = default;
    };

    // A finger moves over `marker` (or keeps dragging it): false lets the
    // map pan instead. Without this operation every marker may be dragged.
    class ShouldDragMarker {
    public:
        virtual bool mapViewShouldDragMarkerWithEvent(
            RMMapView& map, const std::shared_ptr<RMMarker>& marker, const platform::Event& event)
            = 0;

    protected:
        ~ShouldDragMarker() = default;
    };
    // A finger drags `marker`: the delegate moves it (the map stays).
    // Without this operation the map pans under markers.
    class DidDragMarker {
    public:
        virtual void mapViewDidDragMarkerWithEvent(
            RMMapView& map, const std::shared_ptr<RMMarker>& marker, const platform::Event& event)
            = 0;

    protected:
        ~DidDragMarker() = default;
    };

    // Every optional operation above. A new one is an interface above and
    // an entry here.
    using Operations = RMOptionalOperations<BeforeMapMove, AfterMapMove, BeforeMapZoomByFactor,
        AfterMapZoomByFactor, DoubleTapOnMap, SingleTapOnMap, TapOnMarker, TapOnLabelForMarker, AfterMapTouch,
        ShouldDragMarker, DidDragMarker>;
};
