#pragma once

#include "RMTile.h"

#include <memory>
#include <string>

class RMMercatorToTileProjection;
class RMProjection;
class RMTileImage;

// A source of map tiles: answers the image of a tile and describes the tile
// pyramid it serves. Sources are shared (std::shared_ptr). Strings that a
// source may not have (URL, file, folder) are empty when absent. Main
// thread only.
class RMTileSource {
public:
    RMTileSource() = default;
    virtual ~RMTileSource() = default;
    RMTileSource(const RMTileSource&) = delete;
    RMTileSource& operator=(const RMTileSource&) = delete;

    // The image for the tile; callers pass normalised tiles.
    virtual std::shared_ptr<RMTileImage> tileImage(RMTile tile) = 0;
    virtual std::string tileURL(RMTile tile) const = 0;
    // The path of a local file holding the tile.
    virtual std::string tileFile(RMTile tile) const = 0;
    // The folder of local tiles.
    virtual std::string tilePath() const = 0;
    // The tile grid; owned by the source and alive as long as it is.
    virtual const RMMercatorToTileProjection* mercatorToTileProjection() const = 0;
    virtual std::shared_ptr<RMProjection> projection() const = 0;
    virtual float minZoom() const = 0;
    virtual float maxZoom() const = 0;
    virtual void didReceiveMemoryWarning() = 0;
    // Names the source's tiles in persistent caches (the database file name).
    virtual std::string uniqueTilecacheKey() const = 0;
    virtual std::string shortName() const = 0;
    virtual std::string longDescription() const = 0;
    virtual std::string shortAttribution() const = 0;
    virtual std::string longAttribution() const = 0;
    virtual void removeAllCachedImages() = 0;
    // "<ClassName: 0x…>"
    virtual std::string description() const = 0;
};
