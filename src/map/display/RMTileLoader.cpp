#include "RMTileLoader.h"

#include "Exception.h"
#include "NotificationCenter.h"
#include "RMDisplayContents.h"
#include "RMExpensiveOperations.h"
#include "RMMercatorToScreenProjection.h"
#include "RMMercatorToTileProjection.h"
#include "RMNotifications.h"
#include "RMPixel.h"
#include "RMTileImageSet.h"

#include <fmt/format.h>

#include <cmath>

RMTileLoader::RMTileLoader(RMDisplayContents* content)
    : content_(content)
{
    loadedTiles_.origin.tile = RMTileDummy();
}

RMTileLoader::~RMTileLoader()
{
    stopWaitingForResume();
}

void RMTileLoader::clearLoadedBounds()
{
    loadedBounds_ = CGRectZero;
}

bool RMTileLoader::screenIsLoaded() const
{
    const RMMercatorToScreenProjection* camera = content_ ? content_->mercatorToScreenProjection() : nullptr;
    const RMMercatorToTileProjection* tiles = content_ ? content_->mercatorToTileProjection() : nullptr;
    if (!camera || !tiles)
        return false;
    const bool covered = CGRectContainsRect(loadedBounds_, camera->screenBounds());
    const int zoom = static_cast<int>(tiles->calculateNormalisedZoomFromScale(camera->metersPerPixel()));
    // Tile zooms are whole levels, so a zoom within fractional limits may
    // round to the nearest level beyond them.
    const float lowest = std::round(content_->minZoom());
    const float highest = std::round(content_->maxZoom());
    if (!(static_cast<float>(zoom) >= lowest && static_cast<float>(zoom) <= highest))
        throw base::AssertionFailure(
            fmt::format("target zoom {} is outside of RMMapContents limits {:f} to {:f}", zoom,
                content_->minZoom(), content_->maxZoom()));
    return covered && static_cast<uint32_t>(content_->tileZoom()) == loadedZoom_;
}

void RMTileLoader::updateLoadedImages()
{
    if (suppressLoading_ || !content_)
        return;
    const RMMercatorToScreenProjection* camera = content_->mercatorToScreenProjection();
    const RMMercatorToTileProjection* tiles = content_->mercatorToTileProjection();
    if (!camera || !tiles)
        return;
    stopWaitingForResume();
    if (!RMExpensiveOperations::allowed()) {
        waitingForResume_ = true;
        platform::NotificationCenter::defaultCenter().addObserver(this, RMResumeExpensiveOperations, nullptr,
            [this](const platform::Notification&) { updateLoadedImages(); });
        return;
    }
    if (screenIsLoaded())
        return;

    RMTileImageSet* images = content_->imagesOnScreen();
    if (!images)
        return;
    // The tiles of the zoom that matches the panel's pixels.
    const RMTileRect newTiles = tiles->projectRectAtZoom(camera->projectedBounds(), content_->tileZoom());
    const CGRect newBounds = images->addTilesToDisplayIn(newTiles, camera->screenBounds());
    if (!RMTileIsDummy(loadedTiles_.origin.tile))
        images->removeTiles(loadedTiles_);

    loadedBounds_ = newBounds;
    loadedZoom_ = static_cast<uint32_t>(static_cast<int32_t>(newTiles.origin.tile.zoom));
    loadedTiles_ = newTiles;
    content_->tilesUpdatedRegion(loadedBounds_);
}

void RMTileLoader::moveBy(CGSize delta)
{
    loadedBounds_ = RMTranslateCGRectBy(loadedBounds_, delta);
    updateLoadedImages();
}

void RMTileLoader::zoomByFactorNear(float factor, CGPoint pivot)
{
    loadedBounds_ = RMScaleCGRectAboutPoint(loadedBounds_, factor, pivot);
    updateLoadedImages();
}

void RMTileLoader::reload()
{
    clearLoadedBounds();
    updateLoadedImages();
}

void RMTileLoader::forgetLoadedTiles()
{
    clearLoadedBounds();
    loadedTiles_ = RMTileRect {};
    loadedTiles_.origin.tile = RMTileDummy();
}

void RMTileLoader::setSuppressLoading(bool suppress)
{
    suppressLoading_ = suppress;
    if (!suppress)
        updateLoadedImages();
}

void RMTileLoader::stopWaitingForResume()
{
    if (!waitingForResume_)
        return;
    waitingForResume_ = false;
    platform::NotificationCenter::defaultCenter().removeObserver(this, RMResumeExpensiveOperations);
}
