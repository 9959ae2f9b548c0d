#pragma once

#include "RMAbstractMercatorWebSource.h"

#include <string>
#include <string_view>

// The OpenStreetMap standard tile server: "http://<host>/<zoom>/<x>/<y>.png",
// zoom 1 to 16. The server's redirects (to https) are followed.
class RMOpenStreetMapSource : public RMAbstractMercatorWebSource {
public:
    // The tile server host: the one set by setTileHost, else the environment
    // variable VANTRY_TILE_HOST, else "tile.openstreetmap.org". A host may
    // carry a port ("127.0.0.1:8080").
    static std::string tileHost();
    // Overrides the host for the whole program (a --tile-host option); an
    // empty host goes back to the environment or the default.
    static void setTileHost(std::string_view host);

    // Throws platform::AssertionFailure "<source> tried to retrieve tile with
    // zoomLevel <z>, outside source's defined range <min> to <max>" when the
    // zoom lies outside minZoom...maxZoom.
    std::string tileURL(RMTile tile) const override;
    // "OpenStreetMap", hence the database file MapOpenStreetMap.sqlite.
    std::string uniqueTilecacheKey() const override;
    std::string shortName() const override;
    std::string longDescription() const override;
    std::string shortAttribution() const override;
    std::string longAttribution() const override;
    // 1 and 16; the tile grid still spans 18 levels.
    float minZoom() const override;
    float maxZoom() const override;

protected:
    std::string_view className() const override { return "RMOpenStreetMapSource"; }
};
