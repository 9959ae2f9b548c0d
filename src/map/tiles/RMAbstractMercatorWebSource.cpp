#include "RMAbstractMercatorWebSource.h"

#include "Exception.h"
#include "RMProjection.h"
#include "RMTileImage.h"
#include "RMTrace.h"

#include <filesystem>
#include <system_error>

namespace {

constexpr std::uint32_t kMaximumGridZoom = 18;

[[noreturn]] void abstractMethodInvoked(std::string_view operation)
{
    throw base::NamedException("RMAbstractMethodInvocation",
        std::string(operation)
            + " invoked on AbstractMercatorWebSource. Override this method when instantiating abstract "
              "class.");
}

} // namespace

RMAbstractMercatorWebSource::RMAbstractMercatorWebSource()
    : tileProjection_(RMProjection::googleProjection().get(), tileSideLength(), kMaximumGridZoom)
{ }

RMAbstractMercatorWebSource::~RMAbstractMercatorWebSource() = default;

std::uint32_t RMAbstractMercatorWebSource::tileSideLength()
{
    return 256;
}

std::shared_ptr<RMTileImage> RMAbstractMercatorWebSource::tileImage(RMTile tile)
{
    const RMTile normalised = tileProjection_.normaliseTile(tile);
    const std::string file = tileFile(normalised);
    std::error_code error;
    if (!file.empty() && std::filesystem::exists(file, error))
        return RMTileImage::imageWithTileFromFile(normalised, file);
    return RMTileImage::imageWithTileFromURL(normalised, tileURL(normalised));
}

std::string RMAbstractMercatorWebSource::tileURL(RMTile) const
{
    abstractMethodInvoked("tileURL");
}

std::string RMAbstractMercatorWebSource::tileFile(RMTile) const
{
    return {};
}

std::string RMAbstractMercatorWebSource::tilePath() const
{
    return {};
}

std::shared_ptr<RMProjection> RMAbstractMercatorWebSource::projection() const
{
    return RMProjection::googleProjection();
}

float RMAbstractMercatorWebSource::minZoom() const
{
    return 0.0f;
}

float RMAbstractMercatorWebSource::maxZoom() const
{
    return 18.0f;
}

void RMAbstractMercatorWebSource::didReceiveMemoryWarning()
{
    RM_LOG_METHOD_CALL("didReceiveMemoryWarning", description());
}

std::string RMAbstractMercatorWebSource::uniqueTilecacheKey() const
{
    abstractMethodInvoked("uniqueTilecacheKey");
}

std::string RMAbstractMercatorWebSource::shortName() const
{
    abstractMethodInvoked("shortName");
}

std::string RMAbstractMercatorWebSource::longDescription() const
{
    return shortName();
}

std::string RMAbstractMercatorWebSource::shortAttribution() const
{
    abstractMethodInvoked("shortAttribution");
}

std::string RMAbstractMercatorWebSource::longAttribution() const
{
    return shortAttribution();
}

void RMAbstractMercatorWebSource::removeAllCachedImages()
{ }

std::string RMAbstractMercatorWebSource::description() const
{
    return RMObjectDescription(className(), this);
}
