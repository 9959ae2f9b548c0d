#pragma once

#include "RMAbstractMercatorWebSource.h"

#include <string>
#include <string_view>

// The OpenStreetMap standard tile server,
// "https://tile.openstreetmap.org/<zoom>/<x>/<y>.png", zoom 1 to 16, or
// another server of the same tiles (setTileHost).
class RMOpenStreetMapSource : public RMAbstractMercatorWebSource {
public:
    static constexpr std::string_view kDefaultTileHost = "tile.openstreetmap.org";

    // The tile server host: the one set by setTileHost, else the environment
    // variable VANTRY_TILE_HOST, else kDefaultTileHost. "HOST:PORT" (a
    // loopback server, say) is reached over plain HTTP, "HOST" and
    // "https://HOST[:PORT]" over HTTPS.
    static std::string tileHost();
    // Overrides the host for the whole program (a --tile-host option); an
    // empty host goes back to the environment or the default.
    static void setTileHost(std::string_view host);
    // "scheme://host[:port]" of the tile server.
    static std::string tileServerURL();

    // Throws base::AssertionFailure "<source> tried to retrieve tile with
    // zoomLevel <z>, outside source's defined range <min> to <max>" when the
    // zoom lies outside minZoom...maxZoom.
    std::string tileURL(RMTile tile) const override;
    // "OpenStreetMap" for the default server, hence the database file
    // MapOpenStreetMap.sqlite; for another host "OpenStreetMap-" and the
    // host with every character but letters, digits, '.' and '-' made '-'
    // ("OpenStreetMap-127.0.0.1-8080"), so tiles of different servers
    // never mix.
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
