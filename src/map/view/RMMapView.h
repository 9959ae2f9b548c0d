#pragma once

#include "CGGeometry.h"
#include "RMFoundation.h"
#include "RMGestureDetails.h"
#include "RMLatLong.h"
#include "RMMapContents.h"
#include "RMMapContentsAnimationCallback.h"
#include "RMMapContentsOwner.h"
#include "RMMapViewDelegate.h"
#include "Timer.h"
#include "View.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class RMMarker;
class RMMarkerManager;

// The map on screen: a platform view (a Qt widget) whose root layer holds
// the map's layers, and which owns the map contents behind it. It is their
// facade: moves and zooms sent to the view go to the contents framed by
// calls to the delegate; the contents' other public operations are offered
// here unchanged, without delegate calls.
//
// Touches become the map's gestures: one finger pans, two or more pan and
// pinch-zoom about their centre, a double tap zooms in to the next whole
// zoom level (or tells the delegate), single taps go to the delegate as
// taps on the map, on a marker or on a marker's label, and a finger may
// drag a marker when the delegate moves it. With `deceleration` on, a
// one-finger flick glides on, slowing by `decelerationFactor` every
// 0.01 s. While fingers move, the contents' expensive operations (tile
// loading) are off; they come back after 0.3 s without a new touch or
// movement, or when the last finger lifts. On the desktop the wheel zooms
// by whole levels about the pointer, `+`/`-` about the centre, and the
// arrow keys pan.
//
// The contents are made on first use with their defaults (the OpenStreetMap
// source) unless given. Timers run on the Clock and never outlive the view.
// Units are screen points of the view (y down). Main thread only.
class RMMapView : public platform::View,
                  public RMMapContentsOwner,
                  public RMMapContentsAnimationCallback,
                  public RMMapContentsAnimationCallback::AnimationFinished {
public:
    // The glide's default slowing per 0.01 s step.
    static constexpr float kDefaultDecelerationFactor = 0.88f;

    // Logs the trace line (as a view without bounds yet), then the initial
    // setup.
    explicit RMMapView(CGRect frame = CGRectZero, QWidget* parent = nullptr);
    // Kept for old callers: logs the deprecation and trace lines, sets up as
    // above, then moves to `location` (making the contents).
    RMMapView(CGRect frame, RMLatLong location, QWidget* parent = nullptr);
    // Logs the trace line; stops the timers and lets the contents go. A
    // touch sequence cut short switches expensive operations back on.
    ~RMMapView() override;

    // --- Contents.
    // Made on first use (RMMapContents::createForView).
    RMMapContents& contents();
    // Whether contents exist, without making them.
    bool hasContents() const { return contents_ != nullptr; }
    // The view becomes an owner of the contents and the old ones are let go
    // (their running zoom animations no longer call back here); then the
    // initial setup runs again (dragging, zoom and glide back to their
    // defaults). The same contents again change nothing.
    void setContents(std::shared_ptr<RMMapContents> contents) override;
    RMMarkerManager& markerManager();

    // --- Delegate (not owned; null for none).
    RMMapViewDelegate* delegate() const { return delegate_; }
    // Asks which optional operations the delegate implements; the same
    // delegate again asks nothing.
    void setDelegate(RMMapViewDelegate* delegate);
    // Which optional operations the delegate implements, as found when it
    // was set.
    const RMMapViewDelegate::Operations& delegateOperations() const { return delegateHas_; }

    // --- Glide after a one-finger flick. Off by default.
    bool deceleration() const { return deceleration_; }
    void setDeceleration(bool deceleration) { deceleration_ = deceleration; }
    // The glide step's factor per 0.01 s, 0 <= factor < 1 (0.88 by
    // default); other values would never let a glide end and are refused.
    float decelerationFactor() const { return decelerationFactor_; }
    void setDecelerationFactor(float factor);
    // Whether a glide runs.
    bool isDecelerating() const { return decelerationTimer_.isValid(); }

    // The fingers as seen at the last touch event the view handled.
    const RMGestureDetails& lastGesture() const { return lastGesture_; }
    // The fingers among `touches` that are down (began, moved or resting);
    // with none, the last gesture's centre.
    RMGestureDetails gestureDetails(const std::vector<platform::Touch*>& touches) const;

    // --- Facade with delegate calls: before, the contents' operation, after.
    void moveToProjectedPoint(RMProjectedPoint point);
    void moveToLatLong(RMLatLong latLong);
    void moveBy(CGSize delta);
    void zoomByFactorNear(float zoomFactor, CGPoint pivot);
    // Animated: the delegate hears of the end when the animation ends (the
    // view is then the contents' animation callback).
    void zoomByFactorNearAnimated(float zoomFactor, CGPoint pivot, bool animated);
    // The contents' animation ended: tells the delegate (afterMapZoom).
    void animationFinishedWithZoomFactorNear(float zoomFactor, CGPoint pivot) override;

    // --- The contents' other facade operations, forwarded without delegate
    // calls (see RMMapContents).
    void zoomInToNextNativeZoomAt(CGPoint pivot) { contents().zoomInToNextNativeZoomAt(pivot); }
    void zoomOutToNextNativeZoomAt(CGPoint pivot) { contents().zoomOutToNextNativeZoomAt(pivot); }
    void zoomInToNextNativeZoomAtAnimated(CGPoint pivot, bool animated)
    {
        contents().zoomInToNextNativeZoomAtAnimated(pivot, animated);
    }
    void zoomOutToNextNativeZoomAtAnimated(CGPoint pivot, bool animated)
    {
        contents().zoomOutToNextNativeZoomAtAnimated(pivot, animated);
    }
    float adjustZoomForBoundingMask(float zoomFactor)
    {
        return contents().adjustZoomForBoundingMask(zoomFactor);
    }
    void adjustMapPlacementWithScale(float scale) { contents().adjustMapPlacementWithScale(scale); }
    CGPoint latLongToPixel(RMLatLong latLong) { return contents().latLongToPixel(latLong); }
    CGPoint latLongToPixelWithMetersPerPixel(RMLatLong latLong, float metersPerPixel)
    {
        return contents().latLongToPixelWithMetersPerPixel(latLong, metersPerPixel);
    }
    RMLatLong pixelToLatLong(CGPoint pixel) { return contents().pixelToLatLong(pixel); }
    RMLatLong pixelToLatLongWithMetersPerPixel(CGPoint pixel, float metersPerPixel)
    {
        return contents().pixelToLatLongWithMetersPerPixel(pixel, metersPerPixel);
    }
    void zoomWithLatLngBoundsNorthEastSouthWest(RMLatLong northEast, RMLatLong southWest)
    {
        contents().zoomWithLatLngBoundsNorthEastSouthWest(northEast, southWest);
    }
    void zoomWithRMMercatorRectBounds(RMProjectedRect bounds)
    {
        contents().zoomWithRMMercatorRectBounds(bounds);
    }
    RMLatLongBounds latitudeLongitudeBoundingBoxForScreen()
    {
        return contents().latitudeLongitudeBoundingBoxForScreen();
    }
    RMLatLongBounds latitudeLongitudeBoundingBoxFor(CGRect rect)
    {
        return contents().latitudeLongitudeBoundingBoxFor(rect);
    }
    void tilesUpdatedRegion(CGRect rect) { contents().tilesUpdatedRegion(rect); }

    // --- The view.
    // Moves the view; when the frame really changed and contents exist, they
    // hear of the new frame. Resizing the widget any other way (a window
    // resized by the user) reaches the contents too.
    void setFrame(CGRect frame) override;
    // Logs the trace line and passes the warning to the contents.
    void didReceiveMemoryWarning();
    // "MapView at <x>,<y>-<width>,<height>" (the bounds, no decimals).
    std::string description() const override;

    // --- Touches (see platform::View).
    void touchesBegan(const std::vector<platform::Touch*>& touches, const platform::Event& event) override;
    void touchesMoved(const std::vector<platform::Touch*>& touches, const platform::Event& event) override;
    void touchesEnded(const std::vector<platform::Touch*>& touches, const platform::Event& event) override;
    void touchesCancelled(
        const std::vector<platform::Touch*>& touches, const platform::Event& event) override;

    // --- Desktop input. The wheel zooms about `location` by one whole zoom
    // level per notch (15 degrees; a touchpad's smaller steps add up),
    // animated, staying strictly inside the zoom limits as double taps do.
    bool wheelTurned(CGPoint location, CGSize degrees) override;
    // `+` (or `=`) and `-` zoom in and out by a whole level about the
    // centre, animated; the arrow keys pan by 80 points.
    bool keyPressed(int key) override;

protected:
    // Panning (and with it pinching) allowed; true after the initial setup.
    bool enableDragging_ = true;
    // Pinch zoom allowed; true after the initial setup.
    bool enableZoom_ = true;

    void resizeEvent(QResizeEvent* event) override;
    // The panel's pixels per point changed: the tiles of the matching zoom
    // replace those shown.
    void contentScaleFactorDidChange() override;
    // A hidden view (a closed window) stops its glide.
    void hideEvent(QHideEvent* event) override;

private:
    // Which trace lines a constructor writes before the setup.
    enum class Initialiser { WithFrame, WithFrameWithLocation };
    RMMapView(Initialiser initialiser, CGRect frame, QWidget* parent);

    void performInitialSetup();
    // Runs a move of the contents between the delegate's beforeMapMove and
    // afterMapMove; nothing more when beforeMapMove destroyed the view.
    void moveBetweenDelegateCalls(const std::function<void()>& move);
    // The deepest visible layer of the overlay under `point`, or null.
    platform::Layer* hitLayer(CGPoint point);
    // The marker dragged by this touch sequence, if it is still on the map.
    std::shared_ptr<RMMarker> draggedMarker();
    // Steps 1 and 2 of a moved event: passes the touches to a marker that
    // handles them or lets the delegate drag a marker. True when the event
    // is used up.
    bool passMovedTouchesToMarker(const std::vector<platform::Touch*>& touches, const platform::Event& event);
    // A moved event's pan and pinch; false when a delegate call destroyed
    // the view.
    bool panAndZoom(const RMGestureDetails& gesture);
    // Ended and cancelled events after the marker pass-through.
    void finishTouches(const std::vector<platform::Touch*>& touches, const platform::Event& event);
    // The end of a touch sequence: no marker drag, no pending pause call,
    // expensive operations on.
    void endTouchSequence();

    void registerPausedDraggingDispatcher();
    void unRegisterPausedDraggingDispatcher();
    void userPausedDragging();
    void startDecelerationWithDelta(CGSize delta);
    void incrementDeceleration();
    void stopDeceleration();

    // Zooms animated to the whole zoom level `steps` levels away (counted
    // from the level a running wheel or key zoom is heading for).
    void zoomByNativeLevels(int steps, CGPoint pivot);

    std::shared_ptr<RMMapContents> contents_;
    RMMapViewDelegate* delegate_ = nullptr;
    RMMapViewDelegate::Operations delegateHas_;
    RMGestureDetails lastGesture_;
    float decelerationFactor_ = kDefaultDecelerationFactor;
    bool deceleration_ = false;
    platform::Timer decelerationTimer_;
    CGSize decelerationDelta_;
    platform::Timer pausedDraggingDispatcher_;
    // The marker the sequence's first finger touched down on, or that a
    // drag took: a marker drag keeps its marker for the rest of the touch
    // sequence, so a finger that outruns the marker does not drop it.
    std::weak_ptr<RMMarker> draggedMarker_;
    // lastGesture_ was left behind by a marker drag: the next pan starts
    // afresh instead of jumping by the whole drag.
    bool lastGestureStale_ = false;
    bool settingFrame_ = false;
    // Wheel degrees not yet used for a level.
    float wheelDegrees_ = 0;
    // The level a running wheel or key zoom is heading for.
    std::optional<float> nativeZoomTarget_;
};
