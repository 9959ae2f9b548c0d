#include "RMTileProxy.h"

#include "Bundle.h"
#include "RMTileImage.h"
#include "RMTrace.h"

const std::shared_ptr<RMTileImage>& RMTileProxy::loadingTile()
{
    // Never destroyed: it outlives every image that points at it, and the
    // notification centre it is registered with.
    static const auto* tile = new std::shared_ptr<RMTileImage>(RMTileImage::imageWithTileFromFile(
        RMTileDummy(), platform::Bundle::pathForResource("loading", "png")));
    return *tile;
}

std::shared_ptr<RMTileImage> RMTileProxy::errorTile()
{
    return nullptr;
}

std::shared_ptr<RMTileImage> RMTileProxy::bestProxyFor(RMTile)
{
    RM_LOG_DEPRECATED_METHOD_CALL("bestProxyFor", "RMTileProxy");
    return nullptr;
}
