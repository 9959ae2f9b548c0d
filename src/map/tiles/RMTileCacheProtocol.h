#pragma once

#include "RMOptionalOperations.h"
#include "RMTile.h"

#include <memory>
#include <string>

class RMTileImage;

// Optional operation of a tile cache: keeps images as sources make them.
class RMTileCacheAdding {
public:
    virtual void addTileWithImage(RMTile tile, const std::shared_ptr<RMTileImage>& image) = 0;

protected:
    ~RMTileCacheAdding() = default;
};

// Optional operation of a tile cache: forgets everything it holds.
class RMTileCacheClearing {
public:
    virtual void removeAllCachedImages() = 0;

protected:
    ~RMTileCacheClearing() = default;
};

// A tile cache, one link of the cache chain (RMTileCache). A cache
// implements an optional operation by deriving from its interface as well;
// callers ask which ones (`Operations`) and never call an operation a cache
// does not implement. Main thread only.
class RMTileCacheProtocol {
public:
    RMTileCacheProtocol() = default;
    virtual ~RMTileCacheProtocol() = default;
    RMTileCacheProtocol(const RMTileCacheProtocol&) = delete;
    RMTileCacheProtocol& operator=(const RMTileCacheProtocol&) = delete;

    // The cached image of the tile, or null.
    virtual std::shared_ptr<RMTileImage> cachedImage(RMTile tile) = 0;
    virtual void didReceiveMemoryWarning() = 0;
    // "<ClassName: 0x…>"
    virtual std::string description() const = 0;

    using Operations = RMOptionalOperations<RMTileCacheAdding, RMTileCacheClearing>;
};
