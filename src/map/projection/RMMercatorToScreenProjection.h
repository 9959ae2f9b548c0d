#pragma once

#include "CGGeometry.h"
#include "RMFoundation.h"

#include <memory>

class RMProjection;

// The camera of the map: which part of the projected plane the screen shows
// and at what scale. Converts between projected space (metres, northing
// up) and screen space (pixels, y down) and makes the elementary camera
// moves.
//
// With mpp = metersPerPixel and W, H the screen's width and height, the
// screen point (x, y) shows the projected point
// (origin.easting + x * mpp, origin.northing + (H - y) * mpp).
//
// Precision: products of a float with the scale are formed in float and
// then widened before they are added to a double coordinate; divisions by
// the scale are done in double. A scale of 0 makes the projected-to-screen
// conversions divide by zero (infinite or NaN pixels), never fail.
//
// "Wrapped" means the projection's wrapPointHorizontally. Without a
// projection the planet bounds are unknown and nothing wraps.
// Main thread only.
class RMMercatorToScreenProjection {
public:
    // Scale 1 metre per pixel, origin (0, 0). Holds a counted reference to
    // `projection`.
    RMMercatorToScreenProjection(std::shared_ptr<RMProjection> projection, CGRect screenBounds);
    RMMercatorToScreenProjection(const RMMercatorToScreenProjection&) = delete;
    RMMercatorToScreenProjection& operator=(const RMMercatorToScreenProjection&) = delete;

    // Screen pixel of a projected point at scale `metersPerPixel`, choosing
    // the copy of the wrapped world that lies within one planet width east
    // of the screen's left edge (up to float rounding: the origin's easting
    // and the planet width are taken as floats).
    CGPoint projectXYPointWithMetersPerPixel(RMProjectedPoint point, float metersPerPixel) const;
    CGPoint projectXYPoint(RMProjectedPoint point) const;
    // Origin: projectXYPoint of the rectangle's origin; size in pixels.
    CGRect projectXYRect(RMProjectedRect rect) const;

    // Projected point under a screen pixel, not wrapped. Wraps the camera's
    // origin as a side effect (the visible area stays).
    RMProjectedPoint projectScreenPointToXYWithMetersPerPixel(CGPoint point, float metersPerPixel);
    // The above at the current scale, wrapped.
    RMProjectedPoint projectScreenPointToXY(CGPoint point);
    RMProjectedRect projectScreenRectToXY(CGRect rect);
    // Metres; the height is negated since screen y runs south.
    RMProjectedSize projectScreenSizeToXY(CGSize size) const;

    // `point` moved by a screen distance, wrapped.
    RMProjectedPoint movePointBy(RMProjectedPoint point, CGSize delta) const;
    RMProjectedRect moveRectBy(RMProjectedRect rect, CGSize delta) const;
    // `point` scaled by `factor` about the projected point under the screen
    // pixel `pivot`, wrapped.
    RMProjectedPoint zoomPointByFactorNear(RMProjectedPoint point, float factor, CGPoint pivot);
    // The rectangle scaled likewise; its origin wrapped.
    RMProjectedRect zoomRectByFactorNear(RMProjectedRect rect, float factor, CGPoint pivot);

    // Drags the content by `delta` pixels: dragging right and down shows
    // what lies west and north.
    void moveScreenBy(CGSize delta);
    // Zooms by `factor` (> 1 zooms in) keeping the projected point under
    // the screen pixel `pivot` in place.
    void zoomScreenByFactorNear(float factor, CGPoint pivot);
    // Multiplies the scale by `factor`; the origin stays.
    void zoomBy(float factor);

    // Origin at the screen's bottom-left corner, size W * mpp by H * mpp.
    RMProjectedRect projectedBounds() const;
    // Fits the camera to `rect`: the scale is the mean of the scales that
    // fit its width and its height; the origin is its wrapped origin.
    void setProjectedBounds(RMProjectedRect rect);
    // The projected point at the screen's centre, wrapped.
    RMProjectedPoint projectedCenter() const;
    // Centres the camera on `center` (wrapped first, then offset by half a
    // screen, so the origin may lie west of the planet's west edge).
    void setProjectedCenter(RMProjectedPoint center);

    // Only the size is used. Changing it moves neither origin nor scale.
    CGRect screenBounds() const { return screenBounds_; }
    void setScreenBounds(CGRect screenBounds) { screenBounds_ = screenBounds; }

    float metersPerPixel() const { return metersPerPixel_; }
    // Changes the scale keeping the projected centre.
    void setMetersPerPixel(float metersPerPixel);

private:
    RMProjectedPoint wrapped(RMProjectedPoint point) const;
    double planetWidth() const;

    RMProjectedPoint origin_;
    std::shared_ptr<RMProjection> projection_;
    CGRect screenBounds_;
    float metersPerPixel_ = 1;
};
