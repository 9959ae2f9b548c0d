#include "RMMapView.h"

#include "RMMapContents.h"
#include "RMMapViewAlive.h"
#include "RMTrace.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// The source lines the view's trace lines name: readers of old logs know
// the view's operations by them, so they stay whatever this file looks like.
constexpr int kPerformInitialSetupLine = 58;
constexpr int kInitWithFrameLine = 77;
constexpr int kInitWithFrameWithLocationWarningLine = 87;
constexpr int kInitWithFrameWithLocationLine = 88;
constexpr int kDeallocLine = 119;
constexpr int kDidReceiveMemoryWarningLine = 539;

// One notch of most wheels.
constexpr float kWheelNotchDegrees = 15;
constexpr float kKeyPanDistance = 80;

using Delegate = RMMapViewDelegate;

std::string describe(CGRect bounds)
{
    return fmt::format("MapView at {:.0f},{:.0f}-{:.0f},{:.0f}", bounds.origin.x, bounds.origin.y,
        bounds.size.width, bounds.size.height);
}

} // namespace

// --- Construction

RMMapView::RMMapView(CGRect frame, QWidget* parent)
    : RMMapView(Initialiser::WithFrame, frame, parent)
{ }

RMMapView::RMMapView(CGRect frame, RMLatLong location, QWidget* parent)
    : RMMapView(Initialiser::WithFrameWithLocation, frame, parent)
{
    moveToLatLong(location);
}

RMMapView::RMMapView(Initialiser initialiser, CGRect frame, QWidget* parent)
    : platform::View(frame, parent)
{
    // The initialisers log before the platform view is set up: a view
    // without bounds yet.
    const std::string unborn = describe(CGRectZero);
    if (initialiser == Initialiser::WithFrameWithLocation) {
        RMLogDeprecatedMethodCall(
            "initWithFrame:WithLocation:", unborn, kInitWithFrameWithLocationWarningLine);
        RMLogMethodCall("initWithFrame:WithLocation:", unborn, kInitWithFrameWithLocationLine);
    }
    RMLogMethodCall("initWithFrame:", unborn, kInitWithFrameLine);
    performInitialSetup();
}

RMMapView::~RMMapView()
{
    RMLogMethodCall("dealloc", description(), kDeallocLine);
    decelerationTimer_.invalidate();
    pausedDraggingDispatcher_.invalidate();
    const bool touching = lastGesture_.numTouches > 0;
    setContents(nullptr);
    // The switch is process-wide: a sequence cut short must not leave tile
    // loading off for every map.
    if (touching)
        RMMapContents::setPerformExpensiveOperations(true);
}

void RMMapView::performInitialSetup()
{
    RMLogMethodCall("performInitialSetup", description(), kPerformInitialSetupLine);
    enableDragging_ = true;
    enableZoom_ = true;
    decelerationFactor_ = kDefaultDecelerationFactor;
    deceleration_ = false;
    setMultipleTouchEnabled(enableZoom_);
    setBackgroundColor(platform::Color::gray());
}

// --- Contents and delegate

RMMapContents& RMMapView::contents()
{
    if (!contents_)
        setContents(RMMapContents::createForView(this));
    return *contents_;
}

void RMMapView::setContents(std::shared_ptr<RMMapContents> contents)
{
    if (contents == contents_)
        return;
    // The old contents go only after the field no longer names them.
    std::shared_ptr<RMMapContents> old = std::move(contents_);
    contents_ = std::move(contents);
    if (old) {
        // They may live on elsewhere, with animations that would call back.
        old->forgetAnimationCallback(this);
        old.reset();
    }
    performInitialSetup();
}

RMMarkerManager& RMMapView::markerManager()
{
    return contents().markerManager();
}

void RMMapView::setDelegate(RMMapViewDelegate* delegate)
{
    if (delegate == delegate_)
        return;
    delegate_ = delegate;
    delegateHas_ = RMMapViewDelegate::Operations(delegate);
}

void RMMapView::setDecelerationFactor(float factor)
{
    if (factor >= 0 && factor < 1)
        decelerationFactor_ = factor;
}

// --- Facade

void RMMapView::moveToProjectedPoint(RMProjectedPoint point)
{
    moveBetweenDelegateCalls([&] { contents().moveToProjectedPoint(point); });
}

void RMMapView::moveToLatLong(RMLatLong latLong)
{
    moveBetweenDelegateCalls([&] { contents().moveToLatLong(latLong); });
}

void RMMapView::moveBy(CGSize delta)
{
    moveBetweenDelegateCalls([&] { contents().moveBy(delta); });
}

void RMMapView::moveBetweenDelegateCalls(const std::function<void()>& move)
{
    const RMMapViewAlive alive(this);
    if (auto* before = delegateHas_.get<Delegate::BeforeMapMove>();
        before && !alive.after([&] { before->beforeMapMove(*this); }))
        return;
    move();
    if (auto* after = delegateHas_.get<Delegate::AfterMapMove>())
        after->afterMapMove(*this);
}

void RMMapView::zoomByFactorNear(float zoomFactor, CGPoint pivot)
{
    zoomByFactorNearAnimated(zoomFactor, pivot, false);
}

void RMMapView::zoomByFactorNearAnimated(float zoomFactor, CGPoint pivot, bool animated)
{
    const RMMapViewAlive alive(this);
    if (auto* before = delegateHas_.get<Delegate::BeforeMapZoomByFactor>();
        before && !alive.after([&] { before->beforeMapZoomByFactorNear(*this, zoomFactor, pivot); }))
        return;
    auto* after = delegateHas_.get<Delegate::AfterMapZoomByFactor>();
    contents().zoomByFactorNearAnimatedWithCallback(
        zoomFactor, pivot, animated, animated && after ? this : nullptr);
    if (!animated && after)
        after->afterMapZoomByFactorNear(*this, zoomFactor, pivot);
}

void RMMapView::animationFinishedWithZoomFactorNear(float zoomFactor, CGPoint pivot)
{
    if (auto* after = delegateHas_.get<Delegate::AfterMapZoomByFactor>())
        after->afterMapZoomByFactorNear(*this, zoomFactor, pivot);
}

// --- The view

void RMMapView::setFrame(CGRect frame)
{
    const CGRect old = this->frame();
    settingFrame_ = true;
    platform::View::setFrame(frame);
    settingFrame_ = false;
    const CGRect now = this->frame();
    if (!CGRectEqualToRect(old, now) && contents_)
        contents_->setFrame(now);
}

void RMMapView::resizeEvent(QResizeEvent* event)
{
    platform::View::resizeEvent(event);
    // setFrame tells the contents itself.
    if (settingFrame_ || !contents_)
        return;
    const CGRect now = frame();
    if (!CGSizeEqualToSize(now.size, contents_->screenBounds().size))
        contents_->setFrame(now);
}

void RMMapView::contentScaleFactorDidChange()
{
    if (contents_)
        contents_->setContentScaleFactor(contentScaleFactor());
}

void RMMapView::hideEvent(QHideEvent* event)
{
    const RMMapViewAlive alive(this);
    // Cancels the touches, which may start a glide or end the view.
    platform::View::hideEvent(event);
    if (alive)
        stopDeceleration();
}

void RMMapView::didReceiveMemoryWarning()
{
    RMLogMethodCall("didReceiveMemoryWarning", description(), kDidReceiveMemoryWarningLine);
    contents().didReceiveMemoryWarning();
}

std::string RMMapView::description() const
{
    return describe(bounds());
}

// --- Desktop input

bool RMMapView::wheelTurned(CGPoint location, CGSize degrees)
{
    if (degrees.height == 0 || !std::isfinite(degrees.height))
        return false;
    // A turn the other way starts afresh.
    if ((wheelDegrees_ > 0) != (degrees.height > 0))
        wheelDegrees_ = 0;
    wheelDegrees_ += degrees.height;
    const float notches = std::trunc(wheelDegrees_ / kWheelNotchDegrees);
    if (notches == 0)
        return true;
    wheelDegrees_ -= notches * kWheelNotchDegrees;
    zoomByNativeLevels(static_cast<int>(notches), location);
    return true;
}

bool RMMapView::keyPressed(int key)
{
    const CGRect area = bounds();
    const CGPoint centre = CGPointMake(area.size.width / 2, area.size.height / 2);
    switch (key) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomByNativeLevels(1, centre);
        return true;
    case Qt::Key_Minus:
        zoomByNativeLevels(-1, centre);
        return true;
    // Each arrow shows more of the map in its direction.
    case Qt::Key_Left:
        moveBy(CGSizeMake(kKeyPanDistance, 0));
        return true;
    case Qt::Key_Right:
        moveBy(CGSizeMake(-kKeyPanDistance, 0));
        return true;
    case Qt::Key_Up:
        moveBy(CGSizeMake(0, kKeyPanDistance));
        return true;
    case Qt::Key_Down:
        moveBy(CGSizeMake(0, -kKeyPanDistance));
        return true;
    default:
        return false;
    }
}

void RMMapView::zoomByNativeLevels(int steps, CGPoint pivot)
{
    RMMapContents& map = contents();
    const float zoom = map.zoom();
    const float from = map.zoomAnimationCount() > 0 && nativeZoomTarget_ ? *nativeZoomTarget_ : zoom;
    // Whole levels strictly inside the limits, as double taps reach them.
    const float lowest = std::floor(map.minZoom()) + 1;
    const float highest = std::ceil(map.maxZoom()) - 1;
    const float target = std::clamp(std::round(from + static_cast<float>(steps)), lowest, highest);
    if (lowest > highest || (steps > 0 && !(target > from)) || (steps < 0 && !(target < from)))
        return;
    nativeZoomTarget_ = target;
    zoomByFactorNearAnimated(std::exp2(target - zoom), pivot, true);
}
