#pragma once

#include "RMTile.h"

#include <memory>

class RMTileImage;

// The placeholder pictures of tiles that are not loaded yet.
class RMTileProxy {
public:
    RMTileProxy() = delete;

    // The loading tile: one image of the dummy tile holding the bundle's
    // picture "loading.png" (no picture when the resource is missing or
    // unreadable). Created on first call and kept for the life of the
    // process; only its image() is meant to be read.
    static const std::shared_ptr<RMTileImage>& loadingTile();
    // Always null: a failed tile has no placeholder.
    static std::shared_ptr<RMTileImage> errorTile();
    // Deprecated: logs the deprecation line and returns null.
    static std::shared_ptr<RMTileImage> bestProxyFor(RMTile tile);
};
