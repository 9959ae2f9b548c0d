// Moves and zoom of the map contents.
#include "RMMapContents.h"

#include "Log.h"
#include "RMLayerSet.h"
#include "RMMapContentsAnimationCallback.h"
#include "RMMapRenderer.h"
#include "RMMercatorToScreenProjection.h"
#include "RMMercatorToTileProjection.h"
#include "RMProjection.h"
#include "RMTileImageSet.h"
#include "RMTileLoader.h"

#include <fmt/format.h>

#include <cmath>

namespace {

// An animated zoom takes about 0.1 s in steps of 0.03 s.
constexpr float kZoomStepInterval = 0.03f;
constexpr float kZoomStepCount = 0.1f / 0.03f;

bool isFinite(CGPoint point)
{
    return std::isfinite(point.x) && std::isfinite(point.y);
}

bool isFinite(RMProjectedPoint point)
{
    return std::isfinite(point.easting) && std::isfinite(point.northing);
}

bool isZoomFactor(float factor)
{
    return factor > 0 && std::isfinite(factor);
}

} // namespace

void RMMapContents::moveToLatLong(RMLatLong latLong)
{
    if (projection_)
        moveToProjectedPoint(projection_->latLongToPoint(latLong));
}

void RMMapContents::cameraChanged(const CameraChange& change)
{
    switch (change.kind) {
    case CameraChange::Kind::Pan:
        imagesOnScreen_->moveBy(change.delta);
        tileLoader_->moveBy(change.delta);
        if (overlay_)
            overlay_->moveBy(change.delta);
        break;
    case CameraChange::Kind::Zoom:
        imagesOnScreen_->zoomByFactorNear(change.factor, change.pivot);
        tileLoader_->zoomByFactorNear(change.factor, change.pivot);
        if (overlay_)
            overlay_->zoomByFactorNear(change.factor, change.pivot);
        break;
    case CameraChange::Kind::Reset:
        // The images stay where they are until the loader replaces them.
        tileLoader_->reload();
        break;
    }
    // Markers moved or scaled with the screen land where float arithmetic
    // puts them; placing them from their projected locations puts them
    // where the camera says.
    if (overlay_ && (change.kind != CameraChange::Kind::Zoom || change.placeMarkers))
        overlay_->correctPositionOfAllSublayers();
    if (renderer_)
        renderer_->setNeedsDisplay();
}

void RMMapContents::moveToProjectedPoint(RMProjectedPoint point)
{
    if (!isFinite(point))
        return;
    mercatorToScreenProjection_->setProjectedCenter(point);
    cameraChanged({ .kind = CameraChange::Kind::Reset });
}

void RMMapContents::moveBy(CGSize delta)
{
    if (!std::isfinite(delta.width) || !std::isfinite(delta.height))
        return;
    mercatorToScreenProjection_->moveScreenBy(delta);
    cameraChanged({ .kind = CameraChange::Kind::Pan, .delta = delta });
}

float RMMapContents::zoom() const
{
    if (!mercatorToTileProjection_)
        return 0;
    return mercatorToTileProjection_->calculateZoomFromScale(mercatorToScreenProjection_->metersPerPixel());
}

void RMMapContents::setZoom(float zoom)
{
    if (!mercatorToTileProjection_ || std::isnan(zoom))
        return;
    float limited = zoom;
    if (limited > maxZoom_)
        limited = maxZoom_;
    if (limited < minZoom_)
        limited = minZoom_;
    setMetersPerPixel(mercatorToTileProjection_->calculateScaleFromZoom(limited));
}

float RMMapContents::metersPerPixel() const
{
    return mercatorToScreenProjection_->metersPerPixel();
}

void RMMapContents::setMetersPerPixel(float metersPerPixel)
{
    if (!isZoomFactor(metersPerPixel))
        return;
    // The camera keeps its centre, so the pictures on screen scale about the
    // screen's centre, by old scale over new (a larger scale shows less).
    const float factor = mercatorToScreenProjection_->metersPerPixel() / metersPerPixel;
    const CGRect screen = screenBounds();
    const CGPoint pivot
        = CGPointMake(screen.origin.x + screen.size.width / 2, screen.origin.y + screen.size.height / 2);
    mercatorToScreenProjection_->setMetersPerPixel(metersPerPixel);
    cameraChanged(
        { .kind = CameraChange::Kind::Zoom, .factor = factor, .pivot = pivot, .placeMarkers = true });
}

float RMMapContents::adjustZoomForBoundingMask(float factor) const
{
    if (boundingMask_ == RMBoundingMaskNone || !projection_)
        return factor;
    const double scale = metersPerPixel();
    double newScale = scale / factor;
    const RMProjectedRect planet = projection_->planetBounds();
    const CGRect screen = screenBounds();
    if ((boundingMask_ & RMBoundingMaskMinWidth) && planet.size.width / newScale < screen.size.width) {
        factor = static_cast<float>(screen.size.width / (planet.size.width / scale));
        newScale = scale / factor;
    }
    if ((boundingMask_ & RMBoundingMaskMinHeight) && planet.size.height / newScale < screen.size.height)
        factor = static_cast<float>(screen.size.height / (planet.size.height / scale));
    return factor;
}

void RMMapContents::zoomEverythingByFactorNear(float factor, CGPoint pivot)
{
    mercatorToScreenProjection_->zoomScreenByFactorNear(factor, pivot);
    cameraChanged({ .kind = CameraChange::Kind::Zoom, .factor = factor, .pivot = pivot });
}

void RMMapContents::zoomByFactorNear(float factor, CGPoint pivot)
{
    if (!mercatorToTileProjection_ || !isZoomFactor(factor) || !isFinite(pivot))
        return;
    factor = adjustZoomForBoundingMask(factor);
    const float zoom = mercatorToTileProjection_->calculateZoomFromScale(metersPerPixel() / factor);
    if (minZoom_ < zoom && zoom < maxZoom_)
        zoomEverythingByFactorNear(factor, pivot);
}

void RMMapContents::zoomByFactorNearAnimated(float factor, CGPoint pivot, bool animated)
{
    zoomByFactorNearAnimatedWithCallback(factor, pivot, animated, nullptr);
}

void RMMapContents::zoomByFactorNearAnimatedWithCallback(
    float factor, CGPoint pivot, bool animated, RMMapContentsAnimationCallback* callback)
{
    if (!mercatorToTileProjection_)
        return;
    if (!animated) {
        if (isZoomFactor(factor) && isFinite(pivot))
            zoomNow(adjustZoomForBoundingMask(factor), pivot);
        return;
    }
    // A request that cannot zoom still runs, and ends at its first step, so
    // the callback hears of its end like any other.
    if (!isZoomFactor(factor))
        factor = 1;
    factor = adjustZoomForBoundingMask(factor);
    const float zoomDelta = std::log2(factor);
    ZoomAnimation& animation = animations_.emplace_back();
    animation.targetZoom = zoomDelta + zoom();
    animation.zoomIncr = zoomDelta / kZoomStepCount;
    animation.pivot = pivot;
    animation.callback = callback;
    animation.callbackHas = RMMapContentsAnimationCallback::Operations(callback);
    ZoomAnimation* running = &animation;
    animation.timer = platform::Timer::scheduledTimer(
        static_cast<double>(kZoomStepInterval), true, [this, running] { animatedZoomStep(running); });
}

void RMMapContents::zoomNow(float factor, CGPoint pivot)
{
    const float zoom = this->zoom();
    const bool inside = minZoom_ < zoom && zoom < maxZoom_;
    if (inside || (zoom == maxZoom_ && factor < 1) || (zoom == minZoom_ && factor > 1)) {
        // A large factor lands on the limit rather than beyond it.
        const float target = mercatorToTileProjection_->calculateZoomFromScale(metersPerPixel() / factor);
        if (target > maxZoom_)
            factor = metersPerPixel() / mercatorToTileProjection_->calculateScaleFromZoom(maxZoom_);
        else if (target < minZoom_)
            factor = metersPerPixel() / mercatorToTileProjection_->calculateScaleFromZoom(minZoom_);
        zoomEverythingByFactorNear(factor, pivot);
        return;
    }
    if (zoom > maxZoom_)
        setZoom(maxZoom_);
    if (this->zoom() < minZoom_)
        setZoom(minZoom_);
}

void RMMapContents::animatedZoomStep(ZoomAnimation* animation)
{
    const float before = zoom();
    const float target = animation->targetZoom;
    const float increment = animation->zoomIncr;
    bool finished = (increment > 0 && target <= before) || (increment < 0 && target >= before);
    if (!finished) {
        // The last step lands on the target instead of passing it.
        float step = increment;
        if ((increment > 0 && before + step > target) || (increment < 0 && before + step < target))
            step = target - before;
        zoomByFactorNearAnimated(std::exp2(step), animation->pivot, false);
        // A limit (or a step too small to count) stopped the zoom: it would
        // never reach the target.
        finished = zoom() == before;
    }
    if (!finished)
        return;

    const CGPoint pivot = animation->pivot;
    auto* finishedCallback = animation->callbackHas.get<RMMapContentsAnimationCallback::AnimationFinished>();
    // Stops the timer; the callback may then destroy these contents.
    animations_.remove_if([animation](const ZoomAnimation& entry) { return &entry == animation; });
    if (finishedCallback)
        finishedCallback->animationFinishedWithZoomFactorNear(target, pivot);
}

void RMMapContents::forgetAnimationCallback(const RMMapContentsAnimationCallback* callback)
{
    for (ZoomAnimation& animation : animations_) {
        if (animation.callback == callback) {
            animation.callback = nullptr;
            animation.callbackHas = {};
        }
    }
}

float RMMapContents::nextNativeZoomFactor() const
{
    const float zoom = this->zoom();
    const float next = std::round(zoom + 1);
    return maxZoom_ > next ? std::exp2(next - zoom) : 0.0f;
}

void RMMapContents::zoomInToNextNativeZoomAtAnimated(CGPoint pivot, bool animated)
{
    const float zoom = this->zoom();
    const float next = std::round(zoom + 1);
    if (next >= maxZoom_)
        return;
    zoomByFactorNearAnimated(std::exp2(next - zoom), pivot, animated);
}

void RMMapContents::zoomOutToNextNativeZoomAtAnimated(CGPoint pivot, bool animated)
{
    const float zoom = this->zoom();
    const float next = std::round(zoom - 1);
    if (next <= minZoom_)
        return;
    zoomByFactorNearAnimated(std::exp2(next - zoom), pivot, animated);
}

void RMMapContents::adjustMapPlacementWithScale(float scale)
{
    const CGRect screen = screenBounds();
    const float east = latLongToPixelWithMetersPerPixel(RMLatLong { 0, 180 }, scale).x;
    const float west = latLongToPixelWithMetersPerPixel(RMLatLong { 0, -180 }, scale).x;
    if (screen.size.width > east)
        moveBy(CGSizeMake(screen.size.width - east, 0));
    if (screen.origin.x < west)
        moveBy(CGSizeMake(screen.origin.x - west, 0));
}

RMProjectedRect RMMapContents::projectedBounds() const
{
    return mercatorToScreenProjection_->projectedBounds();
}

void RMMapContents::setProjectedBounds(RMProjectedRect bounds)
{
    mercatorToScreenProjection_->setProjectedBounds(bounds);
}

void RMMapContents::zoomWithRMMercatorRectBounds(RMProjectedRect bounds)
{
    const CGRect screen = screenBounds();
    const bool usable = isFinite(bounds.origin) && bounds.size.width > 0 && bounds.size.height > 0
        && std::isfinite(bounds.size.width) && std::isfinite(bounds.size.height) && screen.size.width > 0
        && screen.size.height > 0;
    if (!usable)
        return;
    mercatorToScreenProjection_->setProjectedBounds(bounds);
    // Beyond the limits the tile source has no tiles to show.
    if (mercatorToTileProjection_) {
        const float zoom = this->zoom();
        if (zoom > maxZoom_)
            mercatorToScreenProjection_->setMetersPerPixel(
                mercatorToTileProjection_->calculateScaleFromZoom(maxZoom_));
        else if (zoom < minZoom_)
            mercatorToScreenProjection_->setMetersPerPixel(
                mercatorToTileProjection_->calculateScaleFromZoom(minZoom_));
    }
    cameraChanged({ .kind = CameraChange::Kind::Reset });
}

void RMMapContents::zoomWithLatLngBoundsNorthEastSouthWest(RMLatLong northEast, RMLatLong southWest)
{
    if (!projection_)
        return;
    const CGRect screen = screenBounds();
    const float width = screen.size.width;
    const float height = screen.size.height;
    if (northEast.latitude == southWest.latitude && northEast.longitude == southWest.longitude) {
        const RMProjectedPoint point = projection_->latLongToPoint(southWest);
        const RMProjectedSize size { 2.0 * width, 2.0 * height };
        zoomWithRMMercatorRectBounds(
            RMProjectedRect { { point.easting - size.width / 2, point.northing - size.height / 2 }, size });
        return;
    }
    const RMLatLong middle { (northEast.latitude + southWest.latitude) / 2,
        (northEast.longitude + southWest.longitude) / 2 };
    const RMProjectedPoint center = projection_->latLongToPoint(middle);
    const RMProjectedPoint east = projection_->latLongToPoint(northEast);
    const RMProjectedPoint south = projection_->latLongToPoint(southWest);
    const double eastings = east.easting - south.easting;
    const double northings = east.northing - south.northing;

    RMProjectedSize size { 2.0 * width, 2.0 * height };
    // A margin of 50 points, about 25 a side.
    if (eastings / width < northings / height) {
        const double scale = northings / static_cast<double>(height - 50.0f);
        if (scale > 1)
            size = RMProjectedSize { width * scale, height * scale };
    } else {
        const double scale = eastings / static_cast<double>(width - 50.0f);
        if (scale > 1)
            size = RMProjectedSize { width * scale, height * scale };
    }
    const RMProjectedPoint origin { center.easting - size.width / 2, center.northing - size.height / 2 };
    const RMLatLong originLatLong = projection_->pointToLatLong(origin);
    base::logf("Origin is calculated at: {:f}, {:f}", originLatLong.latitude, originLatLong.longitude);
    zoomWithRMMercatorRectBounds(RMProjectedRect { origin, size });
}
