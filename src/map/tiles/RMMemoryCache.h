#pragma once

#include "RMTileCacheProtocol.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

// Keeps tile image objects themselves (with their layers and decoded
// pictures), under the tile key of their tile, up to a capacity. When full,
// the image with the oldest last-used time makes room (a hit does not renew
// it). An image whose loading is cancelled is forgotten, so its tile is
// fetched again when next needed.
class RMMemoryCache final : public RMTileCacheProtocol, public RMTileCacheAdding, public RMTileCacheClearing {
public:
    // Logs "initializing memory cache <cache> with capacity <capacity>".
    // A capacity of 0 holds one image.
    explicit RMMemoryCache(std::uint32_t capacity = 32);
    // Logs the method-trace line.
    ~RMMemoryCache() override;

    // The stored image of the tile's key, or null; not touched.
    std::shared_ptr<RMTileImage> cachedImage(RMTile tile) override;
    // Makes room, then stores the image under the tile's key (replacing
    // what was there). The dummy tile and null images are never stored.
    void addTileWithImage(RMTile tile, const std::shared_ptr<RMTileImage>& image) override;
    // Evicts the images with the oldest last-used times until one more fits.
    void makeSpaceInCache();
    void removeTile(RMTile tile);
    // Logs the method-trace line and forgets every image.
    void didReceiveMemoryWarning() override;
    void removeAllCachedImages() override;

    std::uint32_t capacity() const { return capacity_; }
    std::size_t count() const { return cache_.size(); }
    std::string description() const override;

private:
    void imageLoadingCancelled(const void* imageObject);

    std::unordered_map<std::uint64_t, std::shared_ptr<RMTileImage>> cache_;
    std::uint32_t capacity_;
};
