#pragma once

#include "RMTileRevalidator.h"
#include "RMTileSource.h"

#include <memory>

class RMConfiguration;
class RMTileCache;

// Puts a cache chain (RMTileCache) in front of a tile source: a tile is
// looked up in the chain first; on a miss the wrapped source makes the image
// and the chain is offered it. An image whose stored bytes have expired is
// shown all the same while its server is asked about it (RMTileRevalidator,
// at the wrapped source's tileURL). Everything else is forwarded to the
// wrapped source. The map contents always hold their source in this wrapper.
class RMCachedTileSource final : public RMTileSource {
public:
    // The wrapper of the source, with the chain built from the shared
    // configuration. A source that already is an RMCachedTileSource is
    // returned itself (sources are never wrapped twice); null for null.
    static std::shared_ptr<RMCachedTileSource> cachedTileSourceWithSource(
        std::shared_ptr<RMTileSource> source);
    // The same with the chain built from the given configuration.
    static std::shared_ptr<RMCachedTileSource> cachedTileSourceWithSourceConfiguration(
        std::shared_ptr<RMTileSource> source, const RMConfiguration& configuration);

    RMCachedTileSource(std::shared_ptr<RMTileSource> source, const RMConfiguration& configuration);
    ~RMCachedTileSource() override;

    // The chain's image of the tile as passed (callers pass normalised
    // tiles), else the wrapped source's, offered to the chain. An expired
    // one is revalidated.
    std::shared_ptr<RMTileImage> tileImage(RMTile tile) override;
    const std::shared_ptr<RMTileSource>& underlyingTileSource() const { return tileSource_; }
    RMTileCache& cache() const { return *cache_; }
    const RMTileRevalidator& revalidator() const { return revalidator_; }

    std::string tileURL(RMTile tile) const override;
    std::string tileFile(RMTile tile) const override;
    std::string tilePath() const override;
    const RMMercatorToTileProjection* mercatorToTileProjection() const override;
    std::shared_ptr<RMProjection> projection() const override;
    float minZoom() const override;
    float maxZoom() const override;
    // Logs the method-trace line, then warns the chain, then the source.
    void didReceiveMemoryWarning() override;
    std::string uniqueTilecacheKey() const override;
    std::string shortName() const override;
    std::string longDescription() const override;
    std::string shortAttribution() const override;
    std::string longAttribution() const override;
    // Empties the chain; the wrapped source is not asked.
    void removeAllCachedImages() override;
    std::string description() const override;

private:
    std::shared_ptr<RMTileSource> tileSource_;
    std::unique_ptr<RMTileCache> cache_;
    RMTileRevalidator revalidator_;
};
