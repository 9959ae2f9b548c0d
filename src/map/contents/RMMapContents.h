#pragma once

#include "CGGeometry.h"
#include "Image.h"
#include "RMDisplayContents.h"
#include "RMFoundation.h"
#include "RMLatLong.h"
#include "RMMapContentsAnimationCallback.h"
#include "RMTile.h"
#include "RMTilesUpdateDelegate.h"
#include "Timer.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class RMLayerSet;
class RMMapLayer;
class RMMapRenderer;
class RMMarkerManager;
class RMMercatorToScreenProjection;
class RMMercatorToTileProjection;
class RMProjection;
class RMTileImageSet;
class RMTileLoader;
class RMTileSource;

namespace platform {
class Layer;
class View;
}

// How far the map may zoom out (bits, combinable; applied when zooming).
enum RMBoundingMask : uint32_t {
    RMBoundingMaskNone = 0,
    // The planet's height in pixels stays at least the screen height.
    RMBoundingMaskMinHeight = 1,
    // The planet's width in pixels stays at least the screen width.
    RMBoundingMaskMinWidth = 2,
};

// The model and controller behind one map view: the camera (screen
// projection), the tile source (always held in an RMCachedTileSource), the
// renderer, the tile image set, the tile loader, the background layer, the
// overlay layer set with the markers, and the marker manager. Every pan,
// zoom and reset goes through here: the camera changes, then one update
// path brings along, in this order, the tile image set, the tile loader and
// the overlay, and asks the renderer to redisplay. The display parts see
// the contents only as RMDisplayContents.
//
// Units: screen points (y down) for pixels, metres for projected points,
// degrees for latitude/longitude, zoom levels as floats (zoom 0 shows the
// planet in one tile). The zoom stays within minZoom...maxZoom, which lie
// within the tile source's range. Requests with values that are not finite
// (or a zoom factor that is not positive) change nothing.
//
// Owned by its map view (RMMapView, the RMMapContentsOwner), to which the
// contents keep a plain pointer, used only as a platform view's. The camera,
// the tile image set, the tile loader and the marker manager live exactly as
// long as the contents; tile source, renderer, background and overlay may
// be replaced (or none). Main thread only.
class RMMapContents final : public RMDisplayContents {
    struct ConstructionKey {
        explicit ConstructionKey() = default;
    };
    // What a factory asks the constructor for.
    struct Setup {
        // The callers' trace lines, logged first with the new object's
        // description: (operation, deprecated).
        std::vector<std::pair<std::string_view, bool>> callers;
        platform::View* view = nullptr;
        std::shared_ptr<RMTileSource> tileSource;
        RMLatLong center;
        float zoomLevel = 0;
        float maxZoomLevel = 0;
        float minZoomLevel = 0;
        // The deprecated form: no checks, limits set before the source.
        bool deprecated = false;
        std::function<std::shared_ptr<RMMapRenderer>(RMMapContents&)> makeRenderer;
    };

public:
    // Makes a renderer for contents under construction.
    using RendererFactory = std::function<std::shared_ptr<RMMapRenderer>(RMMapContents&)>;

    // The defaults of the view's own contents.
    static constexpr RMLatLong kDefaultCenter { -33.858771, 151.201596 };
    static constexpr float kDefaultZoom = 13.0f;
    static constexpr float kDefaultMaxZoom = 25.0f;
    static constexpr float kDefaultMinZoom = 0.0f;

    // --- Construction. Each of these builds the contents for `view` and
    // hands them to it (RMMapContentsOwner::setContents); the view owns them
    // and the returned pointer shares that ownership. `view` must be an
    // RMMapView, the one RMMapContentsOwner: anything else (null too) throws
    // base::AssertionFailure "view <view> must be a subclass of
    // RMMapView".

    // A new RMOpenStreetMapSource with the defaults (zoom 13 within 1...16).
    static std::shared_ptr<RMMapContents> create(platform::View* view);
    static std::shared_ptr<RMMapContents> create(
        platform::View* view, std::shared_ptr<RMTileSource> tileSource);
    // The zoom limits are the given ones narrowed to the source's. Throws
    // base::AssertionFailure "initial zoom level must be greater than
    // minimum zoom level" / "... less than maximum zoom level" when the
    // initial zoom lies outside them (equality passes). The background
    // image is accepted and not used.
    static std::shared_ptr<RMMapContents> create(platform::View* view,
        std::shared_ptr<RMTileSource> tileSource, RMLatLong center, float zoomLevel, float maxZoomLevel,
        float minZoomLevel, const platform::Image& backgroundImage);

    // Kept for old callers; each logs the deprecation line first.
    // create(view), handed to the view.
    static std::shared_ptr<RMMapContents> createForView(platform::View* view);
    // The two below do not hand the contents to the view (the caller gives
    // them with RMMapView::setContents). Maximum zoom 25 within the
    // source's, minimum zoom the source's, zoom 13 without checks, centred
    // on `location`; a new OpenStreetMap source and layer renderer here,
    static std::shared_ptr<RMMapContents> createForViewWithLocation(platform::View* view, RMLatLong location);
    // the given source and the factory's renderer (null: a layer renderer)
    // here.
    static std::shared_ptr<RMMapContents> createForViewWithTileSourceWithRendererLookingAt(
        platform::View* view, std::shared_ptr<RMTileSource> tileSource, const RendererFactory& makeRenderer,
        RMLatLong location);

    // Used by the factories only.
    RMMapContents(ConstructionKey, const Setup& setup);
    // Logs the trace line; stops animations, cancels loading, then takes
    // the layers out of the view's layer.
    ~RMMapContents();
    RMMapContents(const RMMapContents&) = delete;
    RMMapContents& operator=(const RMMapContents&) = delete;

    // --- Parts. Getters hand out the held object without ownership.
    // The view's root layer, parent of background, renderer layer, overlay.
    platform::Layer* layer() const { return layer_.get(); }
    RMMarkerManager& markerManager() const { return *markerManager_; }
    RMMapLayer* background() const { return background_.get(); }
    // Replaces the layer below the tiles (null: none).
    void setBackground(std::shared_ptr<RMMapLayer> background);
    RMLayerSet* overlay() const { return overlay_.get(); }
    // Replaces the layer set above the tiles (null: none; the markers go).
    void setOverlay(std::shared_ptr<RMLayerSet> overlay);
    // The current source's geographic projection and tile grid.
    const std::shared_ptr<RMProjection>& projection() const { return projection_; }
    const RMMercatorToTileProjection* mercatorToTileProjection() const override
    {
        return mercatorToTileProjection_;
    }
    // The camera; never null.
    RMMercatorToScreenProjection* mercatorToScreenProjection() const override
    {
        return mercatorToScreenProjection_.get();
    }
    // The cached wrapper of the source given.
    const std::shared_ptr<RMTileSource>& tileSource() const { return tileSource_; }
    // Wraps the source (the same wrapper again changes nothing), narrows the
    // zoom limits to its range, re-applies the zoom, and reloads.
    void setTileSource(std::shared_ptr<RMTileSource> tileSource);
    RMTileImageSet* imagesOnScreen() const override { return imagesOnScreen_.get(); }
    RMTileLoader* tileLoader() const { return tileLoader_.get(); }
    RMMapRenderer* renderer() const { return renderer_.get(); }
    // Makes the renderer the image set's delegate and puts its layer between
    // background and overlay, at the screen bounds.
    void setRenderer(std::shared_ptr<RMMapRenderer> renderer);

    uint32_t boundingMask() const { return boundingMask_; }
    void setBoundingMask(uint32_t mask) { boundingMask_ = mask; }
    float minZoom() const override { return minZoom_; }
    float maxZoom() const override { return maxZoom_; }
    // The larger of `zoom` and the source's minimum (NaN: the source's),
    // at most maxZoom; the zoom is pulled inside the new limit if needed.
    void setMinZoom(float zoom);
    // The smaller of `zoom` and the source's maximum, at least minZoom;
    // likewise.
    void setMaxZoom(float zoom);

    // --- The view.
    // The view's frame changed: camera, layers, tiles and markers follow.
    // The view's root layer keeps its place in the view.
    void setFrame(CGRect frame);
    // The camera's screen bounds.
    CGRect screenBounds() const;
    void removeAllCachedImages();
    // Logs the trace line and warns the tile source.
    void didReceiveMemoryWarning();
    void handleMemoryWarningNotification() { didReceiveMemoryWarning(); }
    // Logs the tile image set's seam report.
    void printDebuggingInformation() const;
    // "<RMMapContents: 0x…>"
    std::string description() const;

    // --- Expensive operations (picture decoding, starting downloads): the
    // tile machinery's process-wide switch, RMExpensiveOperations, under the
    // map's own names. The map view switches it off while fingers move.
    static bool performExpensiveOperations();
    static void setPerformExpensiveOperations(bool perform);
    // The object of RMResumeExpensiveOperations / RMSuspendExpensiveOperations.
    static const void* classIdentity();

    // --- Moves and zoom.
    void moveToLatLong(RMLatLong latLong);
    void moveToProjectedPoint(RMProjectedPoint point);
    RMLatLong mapCenter() const;
    void setMapCenter(RMLatLong center) { moveToLatLong(center); }
    // Pans the content by `delta` screen points.
    void moveBy(CGSize delta);
    // The zoom level of the camera's scale, not rounded.
    float zoom() const;
    // Clamped into minZoom...maxZoom; keeps the centre.
    void setZoom(float zoom);
    float metersPerPixel() const;
    // Keeps the centre; not limited.
    void setMetersPerPixel(float metersPerPixel);
    // The factor reduced so that the bounding mask holds.
    float adjustZoomForBoundingMask(float factor) const;
    // Zooms about `pivot` only if the resulting zoom lies strictly inside
    // the limits.
    void zoomByFactorNear(float factor, CGPoint pivot);
    void zoomByFactorNearAnimated(float factor, CGPoint pivot, bool animated);
    // Not animated: zooms now when the zoom lies inside the limits (or on a
    // limit, moving away from it), landing on the limit at most; otherwise
    // pulls an out-of-range zoom back. Animated: 0.1 s in steps of 0.03 s,
    // each zooming by the same factor, the last one landing on the target;
    // the animation ends when the target is reached or a step leaves the
    // zoom unchanged (a limit stopped it), and then tells the callback (not
    // owned) with the target zoom.
    void zoomByFactorNearAnimatedWithCallback(
        float factor, CGPoint pivot, bool animated, RMMapContentsAnimationCallback* callback);
    // The animated zooms running.
    std::size_t zoomAnimationCount() const { return animations_.size(); }
    // The running animations go on without telling `callback` when they
    // end: it is going away, or no longer wants to hear.
    void forgetAnimationCallback(const RMMapContentsAnimationCallback* callback);
    // The factor to the next whole zoom level, 0 when that reaches maxZoom.
    float nextNativeZoomFactor() const;
    void zoomInToNextNativeZoomAt(CGPoint pivot) { zoomInToNextNativeZoomAtAnimated(pivot, false); }
    void zoomOutToNextNativeZoomAt(CGPoint pivot) { zoomOutToNextNativeZoomAtAnimated(pivot, false); }
    // To the next whole level, which must lie strictly inside the limits.
    void zoomInToNextNativeZoomAtAnimated(CGPoint pivot, bool animated);
    void zoomOutToNextNativeZoomAtAnimated(CGPoint pivot, bool animated);
    // Pans so that the planet's east and west edges (at scale `scale`)
    // leave no gap at the screen's sides.
    void adjustMapPlacementWithScale(float scale);
    // The camera's; setting it updates nothing else.
    RMProjectedRect projectedBounds() const;
    void setProjectedBounds(RMProjectedRect bounds);
    // Fits the camera to the rectangle, brings the zoom within the limits
    // (keeping the centre), and reloads. Empty rectangles are ignored.
    void zoomWithRMMercatorRectBounds(RMProjectedRect bounds);
    // Fits the camera to a geographic box (with a margin of about 25 points
    // a side; 2 metres per pixel at most), centred on its midpoint.
    void zoomWithLatLngBoundsNorthEastSouthWest(RMLatLong northEast, RMLatLong southWest);

    // --- Conversions.
    CGPoint latLongToPixel(RMLatLong latLong) const;
    CGPoint latLongToPixelWithMetersPerPixel(RMLatLong latLong, float metersPerPixel) const;
    RMTilePoint latLongToTilePointWithMetersPerPixel(RMLatLong latLong, float metersPerPixel) const;
    // Wrapped into -180...180; normalises the camera origin.
    RMLatLong pixelToLatLong(CGPoint pixel);
    // Not wrapped.
    RMLatLong pixelToLatLongWithMetersPerPixel(CGPoint pixel, float metersPerPixel);
    // The panel's pixels per point: the view's content scale factor when
    // the contents were made, then as the view passes it on. A change
    // reloads the tiles; 0, a negative or a non-finite factor counts as 1.
    float contentScaleFactor() const { return contentScaleFactor_; }
    void setContentScaleFactor(float factor);
    // The whole zoom level of the tiles shown: the one that matches the
    // panel's pixels, that is the zoom plus log2 of the content scale
    // factor (one level deeper at 2 pixels per point), rounded as tile
    // zooms are; at most the source's deepest level, and never shallower
    // than the zoom's own tiles. Such tiles are drawn at their size in
    // points, one tile pixel on one panel pixel; every other figure of the
    // contents stays in points.
    float tileZoom() const override;
    // The tiles of tileZoom covering the screen.
    RMTileRect tileBounds() const;
    // metersPerPixel / 0.0001543.
    double scaleDenominator() const;
    // The box of the screen rectangle's corners; a box across the 180°
    // meridian has its east longitude below its west longitude.
    RMLatLongBounds latitudeLongitudeBoundingBoxFor(CGRect rect);
    RMLatLongBounds latitudeLongitudeBoundingBoxForScreen();
    // Tells the delegate, if it implements regionUpdate, the box of `rect`.
    void tilesUpdatedRegion(CGRect rect) override;
    RMTilesUpdateDelegate* tilesUpdateDelegate() const { return tilesUpdateDelegate_; }
    // Not owned; whether it implements regionUpdate is asked here (setting
    // the same delegate again asks nothing).
    void setTilesUpdateDelegate(RMTilesUpdateDelegate* delegate);

private:
    struct ZoomAnimation {
        platform::Timer timer;
        float zoomIncr = 0;
        float targetZoom = 0;
        CGPoint pivot;
        RMMapContentsAnimationCallback* callback = nullptr;
        RMMapContentsAnimationCallback::Operations callbackHas;
    };

    // How the camera has just changed, for the parts that follow it.
    struct CameraChange {
        enum class Kind {
            // Moved by `delta` screen points: what is on screen moves along
            // and the markers are placed afresh.
            Pan,
            // Scaled by `factor` about `pivot`: what is on screen scales
            // along; the markers are placed afresh when `placeMarkers`.
            Zoom,
            // Anything else (a jump, a fit, a new frame): the tiles are
            // renewed and the markers placed afresh.
            Reset,
        };
        Kind kind = Kind::Reset;
        CGSize delta {};
        float factor = 1;
        CGPoint pivot {};
        bool placeMarkers = false;
    };
    // A place in the layer stack: right above or below a neighbour.
    struct StackPlace {
        const platform::Layer* neighbour;
        bool above;
    };

    static std::shared_ptr<RMMapContents> handedToView(std::shared_ptr<RMMapContents> contents);
    // The renderer's layer, or null.
    std::shared_ptr<platform::Layer> tilesLayer() const;
    // The one update path after every change of the camera: the tile image
    // set, the tile loader, the overlay, then the renderer's redisplay.
    void cameraChanged(const CameraChange& change);
    // Zooms the camera by `factor` about `pivot`, and the rest along.
    void zoomEverythingByFactorNear(float factor, CGPoint pivot);
    void zoomNow(float factor, CGPoint pivot);
    void animatedZoomStep(ZoomAnimation* animation);
    // Puts a member of the layer stack (background, tiles, overlay) into the
    // root layer at the first of `places` whose neighbour is in it, else at
    // the bottom.
    void insertIntoStack(
        const std::shared_ptr<platform::Layer>& layer, std::initializer_list<StackPlace> places);

    platform::View* view_;
    float contentScaleFactor_ = 1;
    std::shared_ptr<platform::Layer> layer_;
    std::unique_ptr<RMMarkerManager> markerManager_;
    std::shared_ptr<RMMapLayer> background_;
    std::shared_ptr<RMLayerSet> overlay_;
    std::shared_ptr<RMProjection> projection_;
    const RMMercatorToTileProjection* mercatorToTileProjection_ = nullptr;
    std::unique_ptr<RMMercatorToScreenProjection> mercatorToScreenProjection_;
    std::shared_ptr<RMTileSource> tileSource_;
    std::unique_ptr<RMTileImageSet> imagesOnScreen_;
    std::unique_ptr<RMTileLoader> tileLoader_;
    std::shared_ptr<RMMapRenderer> renderer_;
    uint32_t boundingMask_ = RMBoundingMaskMinWidth;
    float minZoom_ = 0;
    float maxZoom_ = 0;
    RMTilesUpdateDelegate* tilesUpdateDelegate_ = nullptr;
    RMTilesUpdateDelegate::Operations tilesUpdateDelegateHas_;
    std::list<ZoomAnimation> animations_;
};
