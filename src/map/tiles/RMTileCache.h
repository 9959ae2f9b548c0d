#pragma once

#include "PropertyList.h"
#include "RMTileCacheProtocol.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class RMConfiguration;
class RMDatabaseCache;
class RMMemoryCache;
class RMTileSource;

// The cache chain in front of a tile source: lookups ask the caches in
// order and take the first hit; new images are offered to every cache that
// keeps images.
//
// The chain is built from the configuration's "caches" list, one dictionary
// per cache in chain order:
//   "type"               "memory-cache" or "db-cache" (exact spelling)
//   "capacity"           memory: images kept, default 32, 0 taken as 1;
//                        db: rows kept, default 1000, 0 = no limit, a
//                        negative value logs "illegal value for capacity: <c>"
//                        and gives 1000
//   "strategy"           db: "LRU" in any letter case, else FIFO (default)
//   "useCachesDirectory" db: the file lies in the caches folder, not in
//                        documents (default false)
//   "minimalPurge"       db: rows removed at least per purge, 1 to capacity;
//                        default capacity / 10 (at least 1), or 100 with the
//                        default capacity; other values log "minimalPurge must
//                        be at least one and at most the cache capacity"
// An entry that makes no cache logs "failed to create cache of type <type>";
// an entry of the wrong shape, or one whose cache meets a named exception
// while it is made (a source without a cache key), logs "*** configuration
// error: <reason>"; either way the other entries are built. Without a configuration (or
// without "caches") the chain is a memory cache of 32 images followed by a
// database cache of 1000 tiles, FIFO, minimal purge 100, in documents.
class RMTileCache final : public RMTileCacheProtocol, public RMTileCacheAdding, public RMTileCacheClearing {
public:
    // An empty chain, for chains built by hand with addCache.
    RMTileCache();
    // The chain for the source from the shared configuration (the bundle's
    // "routeme.plist"). The source is only asked for its uniqueTilecacheKey.
    explicit RMTileCache(const RMTileSource& tileSource);
    RMTileCache(const RMTileSource& tileSource, const RMConfiguration& configuration);
    ~RMTileCache() override;

    // Appends a cache (owned) at the end of the chain.
    void addCache(std::shared_ptr<RMTileCacheProtocol> cache);
    // The caches in lookup order.
    std::vector<std::shared_ptr<RMTileCacheProtocol>> caches() const;

    // The first hit in chain order, or null.
    std::shared_ptr<RMTileImage> cachedImage(RMTile tile) override;
    // Offers the image to every cache that implements addTileWithImage.
    void addTileWithImage(RMTile tile, const std::shared_ptr<RMTileImage>& image) override;
    // Logs the method-trace line, then warns every cache in order.
    void didReceiveMemoryWarning() override;
    void removeAllCachedImages() override;
    std::string description() const override;

    // The memory cache's key of a tile: RMTileKey.
    static std::uint64_t tileHash(RMTile tile);

    // A cache made from one "caches" entry; for an entry of the wrong shape
    // (not a dictionary, a value of the wrong kind) no cache but the reason.
    template<typename Cache> struct Configured {
        std::unique_ptr<Cache> cache;
        std::string problem;
    };
    // A memory cache as the entry describes it.
    static Configured<RMMemoryCache> newMemoryCacheWithConfig(const platform::PropertyList& config);
    // A database cache as the entry describes it; no cache (and no problem)
    // when its file cannot be used.
    static Configured<RMDatabaseCache> newDatabaseCacheWithConfigTileSource(
        const platform::PropertyList& config, const RMTileSource& tileSource);

private:
    struct Link {
        std::shared_ptr<RMTileCacheProtocol> cache;
        RMTileCacheProtocol::Operations has;
    };

    void buildFromConfiguration(const RMTileSource& tileSource, const RMConfiguration& configuration);
    // Adds the entry's cache; the reason when the entry has the wrong shape.
    std::string addCacheForEntry(const platform::PropertyList& entry, const RMTileSource& tileSource);

    std::vector<Link> caches_;
};
