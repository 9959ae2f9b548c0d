#include "RMCachedTileSource.h"

#include "Clock.h"
#include "RMConfiguration.h"
#include "RMTileCache.h"
#include "RMTileImage.h"
#include "RMTrace.h"

std::shared_ptr<RMCachedTileSource> RMCachedTileSource::cachedTileSourceWithSource(
    std::shared_ptr<RMTileSource> source)
{
    return cachedTileSourceWithSourceConfiguration(std::move(source), RMConfiguration::configuration());
}

std::shared_ptr<RMCachedTileSource> RMCachedTileSource::cachedTileSourceWithSourceConfiguration(
    std::shared_ptr<RMTileSource> source, const RMConfiguration& configuration)
{
    if (!source)
        return nullptr;
    if (auto cached = std::dynamic_pointer_cast<RMCachedTileSource>(source))
        return cached;
    return std::make_shared<RMCachedTileSource>(std::move(source), configuration);
}

RMCachedTileSource::RMCachedTileSource(
    std::shared_ptr<RMTileSource> source, const RMConfiguration& configuration)
    : tileSource_(std::move(source))
    , cache_(std::make_unique<RMTileCache>(*tileSource_, configuration))
{ }

RMCachedTileSource::~RMCachedTileSource() = default;

std::shared_ptr<RMTileImage> RMCachedTileSource::tileImage(RMTile tile)
{
    std::shared_ptr<RMTileImage> image = cache_->cachedImage(tile);
    if (!image) {
        image = tileSource_->tileImage(tile);
        if (image)
            cache_->addTileWithImage(tile, image);
    }
    if (image && image->needsRevalidation(platform::Clock::current().now())) {
        if (const std::string url = tileSource_->tileURL(tile); !url.empty())
            revalidator_.revalidate(image, url);
    }
    return image;
}

std::string RMCachedTileSource::tileURL(RMTile tile) const
{
    return tileSource_->tileURL(tile);
}

std::string RMCachedTileSource::tileFile(RMTile tile) const
{
    return tileSource_->tileFile(tile);
}

std::string RMCachedTileSource::tilePath() const
{
    return tileSource_->tilePath();
}

const RMMercatorToTileProjection* RMCachedTileSource::mercatorToTileProjection() const
{
    return tileSource_->mercatorToTileProjection();
}

std::shared_ptr<RMProjection> RMCachedTileSource::projection() const
{
    return tileSource_->projection();
}

float RMCachedTileSource::minZoom() const
{
    return tileSource_->minZoom();
}

float RMCachedTileSource::maxZoom() const
{
    return tileSource_->maxZoom();
}

void RMCachedTileSource::didReceiveMemoryWarning()
{
    RM_LOG_METHOD_CALL("didReceiveMemoryWarning", description());
    cache_->didReceiveMemoryWarning();
    tileSource_->didReceiveMemoryWarning();
}

std::string RMCachedTileSource::uniqueTilecacheKey() const
{
    return tileSource_->uniqueTilecacheKey();
}

std::string RMCachedTileSource::shortName() const
{
    return tileSource_->shortName();
}

std::string RMCachedTileSource::longDescription() const
{
    return tileSource_->longDescription();
}

std::string RMCachedTileSource::shortAttribution() const
{
    return tileSource_->shortAttribution();
}

std::string RMCachedTileSource::longAttribution() const
{
    return tileSource_->longAttribution();
}

void RMCachedTileSource::removeAllCachedImages()
{
    cache_->removeAllCachedImages();
}

std::string RMCachedTileSource::description() const
{
    return RMObjectDescription("RMCachedTileSource", this);
}
