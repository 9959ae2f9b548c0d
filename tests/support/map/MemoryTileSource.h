#pragma once

// Tile sources and a map fixture for tests and benchmarks of the map
// engine: tiles come from memory, never from the network or a cache.

#include "Image.h"
#include "PropertyList.h"
#include "RMAbstractMercatorWebSource.h"
#include "RMCachedTileSource.h"
#include "RMConfiguration.h"
#include "RMMercatorToTileProjection.h"
#include "RMTileImage.h"
#include "TileArt.h"

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace vantry::test {

// A tile image whose picture is decoded already.
class PictureTileImage : public RMTileImage {
public:
    PictureTileImage(RMTile tile, platform::Image picture)
        : RMTileImage(tile)
    {
        setImage(std::move(picture));
    }
};

// Serves the tiles of the tile art from memory (with pictures, or without
// for tests that only count), over spherical Mercator with 256-pixel tiles.
// Counts the requests per tile; tiles can be made missing.
class MemoryTileSource : public RMAbstractMercatorWebSource {
public:
    explicit MemoryTileSource(bool withPictures = false, float minZoom = 0, float maxZoom = 18)
        : withPictures_(withPictures)
        , minZoom_(minZoom)
        , maxZoom_(maxZoom)
    { }

    std::shared_ptr<RMTileImage> tileImage(RMTile tile) override
    {
        const RMTile normalised = mercatorToTileProjection()->normaliseTile(tile);
        ++requests_[RMTileKey(normalised)];
        if (missing_.contains(RMTileKey(normalised)))
            return nullptr;
        if (!withPictures_)
            return std::make_shared<RMTileImage>(normalised);
        return std::make_shared<PictureTileImage>(normalised, picture(normalised));
    }

    platform::Image picture(RMTile tile)
    {
        platform::Image& picture = pictures_[RMTileKey(tile)];
        if (picture.isNull())
            picture = platform::Image::fromQImage(tileart::makeTileImage(tile.zoom, tile.x, tile.y));
        return picture;
    }

    std::string tileURL(RMTile) const override { return {}; }
    std::string uniqueTilecacheKey() const override { return "MemoryTiles"; }
    std::string shortName() const override { return "Memory tiles"; }
    std::string shortAttribution() const override { return {}; }
    float minZoom() const override { return minZoom_; }
    float maxZoom() const override { return maxZoom_; }

    std::size_t requestCount(RMTile tile) const
    {
        const auto found = requests_.find(RMTileKey(tile));
        return found == requests_.end() ? 0 : found->second;
    }
    std::size_t totalRequests() const
    {
        std::size_t total = 0;
        for (const auto& [key, count] : requests_)
            total += count;
        return total;
    }
    void setMissing(RMTile tile, bool missing = true)
    {
        if (missing)
            missing_.insert(RMTileKey(tile));
        else
            missing_.erase(RMTileKey(tile));
    }

private:
    bool withPictures_;
    float minZoom_;
    float maxZoom_;
    std::map<std::uint64_t, std::size_t> requests_;
    std::set<std::uint64_t> missing_;
    std::map<std::uint64_t, platform::Image> pictures_;
};

// The source behind a cache chain without caches; map contents take it as
// it is (a cached source is never wrapped again).
inline std::shared_ptr<RMCachedTileSource> withoutCaches(std::shared_ptr<RMTileSource> source)
{
    const RMConfiguration configuration(platform::PropertyList(
        platform::PropertyList::Dictionary { { "caches", platform::PropertyList::Array {} } }));
    return RMCachedTileSource::cachedTileSourceWithSourceConfiguration(std::move(source), configuration);
}

} // namespace vantry::test
