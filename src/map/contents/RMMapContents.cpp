#include "RMMapContents.h"

#include "Exception.h"
#include "Layer.h"
#include "NotificationCenter.h"
#include "RMCachedTileSource.h"
#include "RMCoreAnimationRenderer.h"
#include "RMExpensiveOperations.h"
#include "RMLayerSet.h"
#include "RMMapContentsOwner.h"
#include "RMMapLayer.h"
#include "RMMarkerManager.h"
#include "RMMercatorToScreenProjection.h"
#include "RMOpenStreetMapSource.h"
#include "RMTileImageSet.h"
#include "RMTileLoader.h"
#include "RMTrace.h"
#include "View.h"

#include <fmt/format.h>

#include <cmath>

namespace {

constexpr std::string_view kInitialiser
    = "initWithView:tilesource:centerLatLon:zoomLevel:maxZoomLevel:minZoomLevel:backgroundImage:";
constexpr std::string_view kDeprecatedInitialiser = "initForView:WithTileSource:WithRenderer:LookingAt:";

std::shared_ptr<RMMapRenderer> makeLayerRenderer(RMMapContents& contents)
{
    return std::make_shared<RMCoreAnimationRenderer>(&contents);
}

std::string viewDescription(const platform::View* view)
{
    if (!view)
        return "(null)";
    if (const auto* owner = dynamic_cast<const RMMapContentsOwner*>(view))
        return owner->description();
    return RMObjectDescription("View", view);
}

// A source's zoom range; a missing source has none (0 to 0).
float sourceMinZoom(const RMTileSource* source)
{
    return source ? source->minZoom() : 0.0f;
}
float sourceMaxZoom(const RMTileSource* source)
{
    return source ? source->maxZoom() : 0.0f;
}

// The larger / smaller of a requested limit and the source's, compared in
// double; a NaN request gives the source's.
float largerLimit(float requested, float source)
{
    return static_cast<double>(requested) > static_cast<double>(source) ? requested : source;
}
float smallerLimit(float requested, float source)
{
    return static_cast<double>(requested) < static_cast<double>(source) ? requested : source;
}

} // namespace

// --- Construction

std::shared_ptr<RMMapContents> RMMapContents::handedToView(std::shared_ptr<RMMapContents> contents)
{
    dynamic_cast<RMMapContentsOwner&>(*contents->view_).setContents(contents);
    return contents;
}

std::shared_ptr<RMMapContents> RMMapContents::create(platform::View* view)
{
    return create(view, std::make_shared<RMOpenStreetMapSource>());
}

std::shared_ptr<RMMapContents> RMMapContents::create(
    platform::View* view, std::shared_ptr<RMTileSource> tileSource)
{
    return create(
        view, std::move(tileSource), kDefaultCenter, kDefaultZoom, kDefaultMaxZoom, kDefaultMinZoom, {});
}

std::shared_ptr<RMMapContents> RMMapContents::create(platform::View* view,
    std::shared_ptr<RMTileSource> tileSource, RMLatLong center, float zoomLevel, float maxZoomLevel,
    float minZoomLevel, const platform::Image&)
{
    return handedToView(std::make_shared<RMMapContents>(ConstructionKey(),
        Setup { {}, view, std::move(tileSource), center, zoomLevel, maxZoomLevel, minZoomLevel, false,
            makeLayerRenderer }));
}

std::shared_ptr<RMMapContents> RMMapContents::createForView(platform::View* view)
{
    return handedToView(std::make_shared<RMMapContents>(ConstructionKey(),
        Setup { { { "initForView:", true } }, view, std::make_shared<RMOpenStreetMapSource>(), kDefaultCenter,
            kDefaultZoom, kDefaultMaxZoom, kDefaultMinZoom, false, makeLayerRenderer }));
}

std::shared_ptr<RMMapContents> RMMapContents::createForViewWithLocation(
    platform::View* view, RMLatLong location)
{
    auto source = std::make_shared<RMOpenStreetMapSource>();
    const float maxZoom = smallerLimit(kDefaultMaxZoom, source->maxZoom());
    return std::make_shared<RMMapContents>(ConstructionKey(),
        Setup { { { "initForView:WithLocation:", true }, { "initForView:WithLocation:", false } }, view,
            std::move(source), location, kDefaultZoom, maxZoom, 0.0f, true, makeLayerRenderer });
}

std::shared_ptr<RMMapContents> RMMapContents::createForViewWithTileSourceWithRendererLookingAt(
    platform::View* view, std::shared_ptr<RMTileSource> tileSource, const RendererFactory& makeRenderer,
    RMLatLong location)
{
    const float maxZoom = smallerLimit(kDefaultMaxZoom, sourceMaxZoom(tileSource.get()));
    return std::make_shared<RMMapContents>(ConstructionKey(),
        Setup { {}, view, std::move(tileSource), location, kDefaultZoom, maxZoom, 0.0f, true,
            makeRenderer ? makeRenderer : RendererFactory(makeLayerRenderer) });
}

RMMapContents::RMMapContents(ConstructionKey, const Setup& setup)
    : view_(setup.view)
{
    for (const auto& [operation, deprecated] : setup.callers) {
        if (deprecated)
            RM_LOG_DEPRECATED_METHOD_CALL(operation, description());
        else
            RM_LOG_METHOD_CALL(operation, description());
    }
    if (setup.deprecated)
        RM_LOG_DEPRECATED_METHOD_CALL(kDeprecatedInitialiser, description());
    RM_LOG_METHOD_CALL(setup.deprecated ? kDeprecatedInitialiser : kInitialiser, description());
    platform::View* view = setup.view;
    if (!dynamic_cast<RMMapContentsOwner*>(view))
        throw base::AssertionFailure(
            fmt::format("view {} must be a subclass of RMMapView", viewDescription(view)));

    boundingMask_ = RMBoundingMaskMinWidth;
    if (setup.deprecated)
        maxZoom_ = setup.maxZoomLevel;
    mercatorToScreenProjection_ = std::make_unique<RMMercatorToScreenProjection>(
        setup.tileSource ? setup.tileSource->projection() : nullptr, view->bounds());
    layer_ = view->layer().shared_from_this();
    contentScaleFactor_ = view->contentScaleFactor();
    // The parts that live as long as the contents come first, the loader
    // quiet until the initial zoom and centre are set.
    imagesOnScreen_ = std::make_unique<RMTileImageSet>(nullptr);
    tileLoader_ = std::make_unique<RMTileLoader>(this);
    tileLoader_->setSuppressLoading(true);
    markerManager_ = std::make_unique<RMMarkerManager>(*this);

    setTileSource(setup.tileSource);
    setRenderer(setup.makeRenderer(*this));

    if (!setup.deprecated) {
        const RMTileSource* given = setup.tileSource.get();
        minZoom_ = largerLimit(setup.minZoomLevel, sourceMinZoom(given));
        maxZoom_ = smallerLimit(setup.maxZoomLevel, sourceMaxZoom(given));
        // Written so that a NaN zoom fails too.
        if (!(minZoom_ <= setup.zoomLevel))
            throw base::AssertionFailure("initial zoom level must be greater than minimum zoom level");
        if (!(maxZoom_ >= setup.zoomLevel))
            throw base::AssertionFailure("initial zoom level must be less than maximum zoom level");
    }

    setZoom(setup.zoomLevel);
    moveToLatLong(setup.center);
    tileLoader_->setSuppressLoading(false);

    setBackground(std::make_shared<RMMapLayer>());
    setOverlay(std::make_shared<RMLayerSet>(this));
    view->setNeedsDisplay();
    platform::NotificationCenter::defaultCenter().addObserver(this,
        platform::UIApplicationDidReceiveMemoryWarningNotification, nullptr,
        [this](const platform::Notification&) { handleMemoryWarningNotification(); });
    base::logf("Map contents initialised. view: {} tileSource {} renderer {}", viewDescription(view),
        tileSource_ ? tileSource_->description() : "(null)", renderer_ ? renderer_->description() : "(null)");
}

RMMapContents::~RMMapContents()
{
    RM_LOG_METHOD_CALL("dealloc", description());
    animations_.clear();
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    imagesOnScreen_->cancelLoading();
    setRenderer(nullptr);
    imagesOnScreen_.reset();
    tileLoader_.reset();
    tileSource_.reset();
    setOverlay(nullptr);
    setBackground(nullptr);
}

std::string RMMapContents::description() const
{
    return RMObjectDescription("RMMapContents", this);
}

// --- Parts

void RMMapContents::setContentScaleFactor(float factor)
{
    const float usable = std::isfinite(factor) && factor > 0 ? factor : 1.0f;
    if (usable == contentScaleFactor_)
        return;
    contentScaleFactor_ = usable;
    tileLoader_->reload();
}

void RMMapContents::setTileSource(std::shared_ptr<RMTileSource> tileSource)
{
    if (tileSource == tileSource_)
        return;
    std::shared_ptr<RMTileSource> wrapped
        = RMCachedTileSource::cachedTileSourceWithSource(std::move(tileSource));
    if (wrapped == tileSource_)
        return;
    if (minZoom_ < sourceMinZoom(wrapped.get()))
        setMinZoom(sourceMinZoom(wrapped.get()));
    if (maxZoom_ > sourceMaxZoom(wrapped.get()))
        setMaxZoom(sourceMaxZoom(wrapped.get()));
    // Re-applies the limits with the previous tile grid.
    setZoom(zoom());

    tileSource_ = std::move(wrapped);
    projection_ = tileSource_ ? tileSource_->projection() : nullptr;
    mercatorToTileProjection_ = tileSource_ ? tileSource_->mercatorToTileProjection() : nullptr;
    imagesOnScreen_->setTileSource(tileSource_);
    tileLoader_->forgetLoadedTiles();
    tileLoader_->reload();
}

void RMMapContents::setRenderer(std::shared_ptr<RMMapRenderer> renderer)
{
    if (renderer == renderer_)
        return;
    imagesOnScreen_->setDelegate(renderer.get());
    if (renderer_) {
        if (const std::shared_ptr<platform::Layer> old = renderer_->layer())
            old->removeFromSuperlayer();
    }
    renderer_ = std::move(renderer);
    if (!renderer_)
        return;
    if (const std::shared_ptr<platform::Layer> tiles = renderer_->layer())
        insertIntoStack(tiles, { { background_.get(), true }, { overlay_.get(), false } });
}

void RMMapContents::setBackground(std::shared_ptr<RMMapLayer> background)
{
    if (background == background_)
        return;
    if (background_)
        background_->removeFromSuperlayer();
    background_ = std::move(background);
    if (background_)
        insertIntoStack(background_, { { tilesLayer().get(), false }, { overlay_.get(), false } });
}

void RMMapContents::setOverlay(std::shared_ptr<RMLayerSet> overlay)
{
    if (overlay == overlay_)
        return;
    if (overlay_)
        overlay_->removeFromSuperlayer();
    overlay_ = std::move(overlay);
    if (overlay_)
        insertIntoStack(overlay_, { { tilesLayer().get(), true }, { background_.get(), true } });
}

std::shared_ptr<platform::Layer> RMMapContents::tilesLayer() const
{
    return renderer_ ? renderer_->layer() : nullptr;
}

void RMMapContents::insertIntoStack(
    const std::shared_ptr<platform::Layer>& layer, std::initializer_list<StackPlace> places)
{
    layer->setFrame(screenBounds());
    for (const StackPlace& place : places) {
        if (!place.neighbour || place.neighbour->superlayer() != layer_.get())
            continue;
        if (place.above)
            layer_->insertSublayerAbove(layer, place.neighbour);
        else
            layer_->insertSublayerBelow(layer, place.neighbour);
        return;
    }
    layer_->insertSublayerAtIndex(layer, 0);
}

void RMMapContents::setMinZoom(float zoom)
{
    float limit = largerLimit(zoom, sourceMinZoom(tileSource_.get()));
    if (limit > maxZoom_)
        limit = maxZoom_;
    minZoom_ = limit;
    if (this->zoom() < minZoom_)
        setZoom(minZoom_);
}

void RMMapContents::setMaxZoom(float zoom)
{
    float limit = smallerLimit(zoom, sourceMaxZoom(tileSource_.get()));
    if (limit < minZoom_)
        limit = minZoom_;
    maxZoom_ = limit;
    if (this->zoom() > maxZoom_)
        setZoom(maxZoom_);
}

// --- The view

void RMMapContents::setFrame(CGRect frame)
{
    const CGRect local = CGRectMake(0, 0, frame.size.width, frame.size.height);
    mercatorToScreenProjection_->setScreenBounds(local);
    if (background_)
        background_->setFrame(local);
    // The root layer's place in its view is the view's business: only its
    // size follows the frame.
    layer_->setBounds(CGRect { layer_->bounds().origin, frame.size });
    if (overlay_)
        overlay_->setFrame(local);
    if (renderer_)
        renderer_->setFrame(frame);
    cameraChanged({ .kind = CameraChange::Kind::Reset });
}

CGRect RMMapContents::screenBounds() const
{
    return mercatorToScreenProjection_->screenBounds();
}

void RMMapContents::removeAllCachedImages()
{
    if (tileSource_)
        tileSource_->removeAllCachedImages();
}

void RMMapContents::didReceiveMemoryWarning()
{
    RM_LOG_METHOD_CALL("didReceiveMemoryWarning", description());
    if (tileSource_)
        tileSource_->didReceiveMemoryWarning();
}

void RMMapContents::printDebuggingInformation() const
{
    imagesOnScreen_->printDebuggingInformation();
}

// --- Expensive operations

bool RMMapContents::performExpensiveOperations()
{
    return RMExpensiveOperations::allowed();
}

void RMMapContents::setPerformExpensiveOperations(bool perform)
{
    RMExpensiveOperations::setAllowed(perform);
}

const void* RMMapContents::classIdentity()
{
    return RMExpensiveOperations::notificationObject();
}
