// Touch gestures of the map view: pan, pinch, taps, marker drags, the
// paused-drag switch and the glide.
#include "RMMapView.h"

#include "Layer.h"
#include "Log.h"
#include "RMLayerSet.h"
#include "RMMapContents.h"
#include "RMMapViewAlive.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"
#include "RMMarkerTouchHandler.h"

#include <cmath>

namespace {

// Fingers resting this long count as a pause: tile loading may go on.
constexpr double kPausedDraggingDelay = 0.3;
constexpr double kDecelerationInterval = 0.01;
// A glide whose step is below this on both axes has ended.
constexpr float kDecelerationEnd = 0.01f;

using Delegate = RMMapViewDelegate;

constexpr std::string_view kZeroSpread = "Distance from center is zero despite >1 touches on the screen";

bool isDown(const platform::Touch& touch)
{
    const platform::TouchPhase phase = touch.phase();
    return phase == platform::TouchPhase::Began || phase == platform::TouchPhase::Moved
        || phase == platform::TouchPhase::Stationary;
}

// The marker under a touch when it is of a kind that handles touches.
std::shared_ptr<RMMarkerTouchHandler> touchHandlingMarker(platform::Layer* hit)
{
    auto* marker = dynamic_cast<RMMarker*>(hit);
    if (!marker)
        return nullptr;
    return std::dynamic_pointer_cast<RMMarkerTouchHandler>(marker->shared_from_this());
}

std::shared_ptr<RMMarker> sharedMarker(platform::Layer* layer)
{
    auto* marker = dynamic_cast<RMMarker*>(layer);
    return marker ? std::static_pointer_cast<RMMarker>(marker->shared_from_this()) : nullptr;
}

} // namespace

RMGestureDetails RMMapView::gestureDetails(const std::vector<platform::Touch*>& touches) const
{
    RMGestureDetails gesture;
    CGPoint sum;
    for (const platform::Touch* touch : touches) {
        if (!isDown(*touch))
            continue;
        const CGPoint location = touch->locationInView(this);
        sum.x += location.x;
        sum.y += location.y;
        ++gesture.numTouches;
    }
    if (gesture.numTouches == 0) {
        gesture.center = lastGesture_.center;
        return gesture;
    }
    const float count = static_cast<float>(gesture.numTouches);
    gesture.center = CGPointMake(sum.x / count, sum.y / count);
    float distances = 0;
    for (const platform::Touch* touch : touches) {
        if (!isDown(*touch))
            continue;
        const CGPoint location = touch->locationInView(this);
        const float dx = location.x - gesture.center.x;
        const float dy = location.y - gesture.center.y;
        distances += std::sqrt(dx * dx + dy * dy);
    }
    gesture.averageDistanceFromCenter = distances / count;
    return gesture;
}

platform::Layer* RMMapView::hitLayer(CGPoint point)
{
    RMLayerSet* overlay = contents().overlay();
    return overlay ? overlay->hitTest(point) : nullptr;
}

std::shared_ptr<RMMarker> RMMapView::draggedMarker()
{
    std::shared_ptr<RMMarker> marker = draggedMarker_.lock();
    if (marker && !contents().markerManager().managingMarker(marker.get())) {
        draggedMarker_.reset();
        return nullptr;
    }
    return marker;
}

// --- Touch events

void RMMapView::touchesBegan(const std::vector<platform::Touch*>& touches, const platform::Event& event)
{
    if (touches.empty())
        return;
    platform::Layer* hit = hitLayer(touches.front()->locationInView(this));
    if (const auto marker = touchHandlingMarker(hit)) {
        marker->touchesBegan(touches, event);
        return;
    }
    if (lastGesture_.numTouches == 0) {
        RMMapContents::setPerformExpensiveOperations(false);
        // A finger that touches down on a marker drags that one, however
        // far its first movement takes it.
        draggedMarker_ = sharedMarker(hit);
    }
    lastGesture_ = gestureDetails(event.allTouches());
    lastGestureStale_ = false;
    if (deceleration_ && isDecelerating()) {
        const RMMapViewAlive alive(this);
        stopDeceleration();
        if (!alive)
            return;
    }
    registerPausedDraggingDispatcher();
}

void RMMapView::touchesMoved(const std::vector<platform::Touch*>& touches, const platform::Event& event)
{
    if (touches.empty() || passMovedTouchesToMarker(touches, event))
        return;
    const RMGestureDetails gesture = gestureDetails(event.allTouches());
    if (!panAndZoom(gesture))
        return;
    lastGesture_ = gesture;
    lastGestureStale_ = false;
    registerPausedDraggingDispatcher();
}

bool RMMapView::passMovedTouchesToMarker(
    const std::vector<platform::Touch*>& touches, const platform::Event& event)
{
    platform::Layer* hit = hitLayer(touches.front()->locationInView(this));
    if (const auto marker = touchHandlingMarker(hit)) {
        marker->touchesMoved(touches, event);
        return true;
    }
    std::shared_ptr<RMMarker> marker = draggedMarker();
    if (!marker)
        marker = sharedMarker(hit);
    if (!marker)
        return false;
    const RMMapViewAlive alive(this);
    if (auto* shouldDrag = delegateHas_.get<Delegate::ShouldDragMarker>()) {
        const bool drag = shouldDrag->mapViewShouldDragMarkerWithEvent(*this, marker, event);
        if (!alive)
            return true;
        if (!drag) {
            draggedMarker_.reset();
            return false;
        }
    }
    auto* didDrag = delegateHas_.get<Delegate::DidDragMarker>();
    if (!didDrag) {
        draggedMarker_.reset();
        return false;
    }
    draggedMarker_ = marker;
    // lastGesture stays where the drag began; a pan after the drag must not
    // move the map by the whole drag.
    lastGestureStale_ = true;
    didDrag->mapViewDidDragMarkerWithEvent(*this, marker, event);
    return true;
}

bool RMMapView::panAndZoom(const RMGestureDetails& gesture)
{
    // A finger added or lifted: the next event with the same count moves.
    if (!enableDragging_ || gesture.numTouches != lastGesture_.numTouches || lastGestureStale_)
        return true;
    const CGSize delta
        = CGSizeMake(gesture.center.x - lastGesture_.center.x, gesture.center.y - lastGesture_.center.y);
    const RMMapViewAlive alive(this);
    if (!enableZoom_ || gesture.numTouches <= 1) {
        moveBy(delta);
        return static_cast<bool>(alive);
    }
    // Fingers on one spot give no factor: the map still pans, and the zoom
    // waits for the fingers to part.
    const bool spread = gesture.averageDistanceFromCenter > 0 && lastGesture_.averageDistanceFromCenter > 0;
    if (!spread)
        base::log(kZeroSpread);
    const float factor
        = spread ? gesture.averageDistanceFromCenter / lastGesture_.averageDistanceFromCenter : 1;
    moveBy(delta);
    if (!alive)
        return false;
    if (spread)
        zoomByFactorNear(factor, gesture.center);
    return static_cast<bool>(alive);
}

void RMMapView::touchesEnded(const std::vector<platform::Touch*>& touches, const platform::Event& event)
{
    if (touches.empty())
        return;
    if (const auto marker = touchHandlingMarker(hitLayer(touches.front()->locationInView(this)))) {
        marker->touchesEnded(touches, event);
        return;
    }
    finishTouches(touches, event);
}

void RMMapView::touchesCancelled(const std::vector<platform::Touch*>& touches, const platform::Event& event)
{
    if (touches.empty())
        return;
    if (const auto marker = touchHandlingMarker(hitLayer(touches.front()->locationInView(this)))) {
        marker->touchesCancelled(touches, event);
        return;
    }
    finishTouches(touches, event);
}

void RMMapView::finishTouches(const std::vector<platform::Touch*>& touches, const platform::Event& event)
{
    // The touches go with the view if a callback destroys it: copy first.
    const platform::Touch& touch = *touches.front();
    const CGPoint location = touch.locationInView(this);
    const CGPoint previous = touch.previousLocationInView(this);
    const int tapCount = touch.tapCount();
    const int32_t previousTouches = lastGesture_.numTouches;
    // After a marker drag the last movement was the marker's, not the map's.
    const bool mapMovedLast = !lastGestureStale_;

    lastGesture_ = gestureDetails(event.allTouches());
    if (lastGesture_.numTouches == 0)
        endTouchSequence();

    const RMMapViewAlive alive(this);
    if (tapCount > 1) {
        if (auto* doubleTap = delegateHas_.get<Delegate::DoubleTapOnMap>()) {
            doubleTap->doubleTapOnMapAt(*this, lastGesture_.center);
        } else {
            const float factor = contents().nextNativeZoomFactor();
            if (factor != 0)
                zoomByFactorNearAnimated(factor, location, true);
        }
    } else if (previousTouches == 1 && tapCount != 1 && deceleration_ && mapMovedLast) {
        startDecelerationWithDelta(CGSizeMake(location.x - previous.x, location.y - previous.y));
    }
    if (!alive)
        return;

    if (tapCount == 1) {
        platform::Layer* hit = hitLayer(location);
        if (const std::shared_ptr<RMMarker> marker = sharedMarker(hit)) {
            if (auto* tap = delegateHas_.get<Delegate::TapOnMarker>())
                tap->tapOnMarkerOnMap(marker, *this);
        } else if (const std::shared_ptr<RMMarker> owner = sharedMarker(hit ? hit->superlayer() : nullptr)) {
            if (auto* tap = delegateHas_.get<Delegate::TapOnLabelForMarker>())
                tap->tapOnLabelForMarkerOnMap(owner, *this);
        } else if (auto* tap = delegateHas_.get<Delegate::SingleTapOnMap>(); hit && tap) {
            tap->singleTapOnMapAt(*this, location);
        }
        if (!alive)
            return;
    }
    if (auto* afterTouch = delegateHas_.get<Delegate::AfterMapTouch>())
        afterTouch->afterMapTouch(*this);
}

void RMMapView::endTouchSequence()
{
    unRegisterPausedDraggingDispatcher();
    draggedMarker_.reset();
    RMMapContents::setPerformExpensiveOperations(true);
}

// --- Paused-drag dispatcher

void RMMapView::registerPausedDraggingDispatcher()
{
    // The new timer replaces (and so cancels) the pending one.
    pausedDraggingDispatcher_
        = platform::Timer::scheduledTimer(kPausedDraggingDelay, false, [this] { userPausedDragging(); });
}

void RMMapView::unRegisterPausedDraggingDispatcher()
{
    pausedDraggingDispatcher_.invalidate();
}

void RMMapView::userPausedDragging()
{
    RMMapContents::setPerformExpensiveOperations(true);
}

// --- Glide

void RMMapView::startDecelerationWithDelta(CGSize delta)
{
    // Both axes must move at least a point; an infinite step would never
    // slow down.
    const auto strong = [](float value) { return std::isfinite(value) && std::abs(value) >= 1; };
    if (!strong(delta.width) || !strong(delta.height))
        return;
    decelerationDelta_ = delta;
    decelerationTimer_
        = platform::Timer::scheduledTimer(kDecelerationInterval, true, [this] { incrementDeceleration(); });
}

void RMMapView::incrementDeceleration()
{
    if (std::abs(decelerationDelta_.width) < kDecelerationEnd
        && std::abs(decelerationDelta_.height) < kDecelerationEnd) {
        stopDeceleration();
        return;
    }
    RMMapContents& map = contents();
    const RMProjectedPoint before = map.projectedBounds().origin;
    map.moveBy(decelerationDelta_);
    decelerationDelta_.width *= decelerationFactor_;
    decelerationDelta_.height *= decelerationFactor_;
    // The camera could not move: the glide would spin on for nothing.
    const RMProjectedPoint after = map.projectedBounds().origin;
    if (after.easting == before.easting && after.northing == before.northing)
        stopDeceleration();
}

void RMMapView::stopDeceleration()
{
    if (!decelerationTimer_.isValid())
        return;
    decelerationTimer_.invalidate();
    decelerationDelta_ = CGSizeZero;
    moveBy(CGSizeZero);
}
