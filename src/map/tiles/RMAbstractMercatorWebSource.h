#pragma once

#include "RMFractalTileProjection.h"
#include "RMTileSource.h"

#include <cstdint>
#include <memory>
#include <string_view>

// The base of sources that fetch square spherical-Mercator tiles of 256
// pixels over HTTP. A concrete source supplies tileURL, uniqueTilecacheKey,
// shortName and shortAttribution; here they throw
// base::NamedException "RMAbstractMethodInvocation".
class RMAbstractMercatorWebSource : public RMTileSource {
public:
    // Builds the tile grid over googleProjection(), maximum zoom 18.
    RMAbstractMercatorWebSource();
    ~RMAbstractMercatorWebSource() override;

    // 256 (pixels).
    static std::uint32_t tileSideLength();

    // Normalises the tile; a local file (tileFile) when one exists, else a
    // web image of tileURL.
    std::shared_ptr<RMTileImage> tileImage(RMTile tile) override;
    std::string tileURL(RMTile tile) const override;
    // Empty: no local tiles.
    std::string tileFile(RMTile tile) const override;
    std::string tilePath() const override;
    const RMMercatorToTileProjection* mercatorToTileProjection() const override { return &tileProjection_; }
    // RMProjection::googleProjection().
    std::shared_ptr<RMProjection> projection() const override;
    // 0 and 18.
    float minZoom() const override;
    float maxZoom() const override;
    // Only logs the method-trace line.
    void didReceiveMemoryWarning() override;
    std::string uniqueTilecacheKey() const override;
    std::string shortName() const override;
    // shortName().
    std::string longDescription() const override;
    std::string shortAttribution() const override;
    // shortAttribution().
    std::string longAttribution() const override;
    // Nothing to remove.
    void removeAllCachedImages() override;
    std::string description() const override;

protected:
    virtual std::string_view className() const { return "RMAbstractMercatorWebSource"; }

private:
    const RMFractalTileProjection tileProjection_;
};
