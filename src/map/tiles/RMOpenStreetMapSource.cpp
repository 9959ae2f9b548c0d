#include "RMOpenStreetMapSource.h"

#include "Exception.h"

#include <fmt/format.h>

#include <cstdlib>

namespace {

constexpr std::string_view kDefaultTileHost = "tile.openstreetmap.org";

std::string& hostOverride()
{
    static std::string host;
    return host;
}

} // namespace

std::string RMOpenStreetMapSource::tileHost()
{
    if (!hostOverride().empty())
        return hostOverride();
    if (const char* host = std::getenv("VANTRY_TILE_HOST"); host && *host)
        return host;
    return std::string(kDefaultTileHost);
}

void RMOpenStreetMapSource::setTileHost(std::string_view host)
{
    hostOverride() = std::string(host);
}

std::string RMOpenStreetMapSource::tileURL(RMTile tile) const
{
    const float zoom = tile.zoom;
    if (!(zoom >= minZoom() && zoom <= maxZoom())) {
        throw platform::AssertionFailure(fmt::format(
            "{} tried to retrieve tile with zoomLevel {}, outside source's defined range {:f} to {:f}",
            description(), tile.zoom, minZoom(), maxZoom()));
    }
    return fmt::format("http://{}/{}/{}/{}.png", tileHost(), tile.zoom, tile.x, tile.y);
}

std::string RMOpenStreetMapSource::uniqueTilecacheKey() const
{
    return "OpenStreetMap";
}

std::string RMOpenStreetMapSource::shortName() const
{
    return "Open Street Map";
}

std::string RMOpenStreetMapSource::longDescription() const
{
    return "Open Street Map, the free wiki world map, provides freely usable map data for all parts of the "
           "world, under the Creative Commons Attribution-Share Alike 2.0 license.";
}

std::string RMOpenStreetMapSource::shortAttribution() const
{
    return "© OpenStreetMap CC-BY-SA";
}

std::string RMOpenStreetMapSource::longAttribution() const
{
    return "Map data © OpenStreetMap, licensed under Creative Commons Share Alike By Attribution.";
}

float RMOpenStreetMapSource::minZoom() const
{
    return 1.0f;
}

float RMOpenStreetMapSource::maxZoom() const
{
    return 16.0f;
}
