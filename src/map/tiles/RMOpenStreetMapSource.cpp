#include "RMOpenStreetMapSource.h"

#include "Exception.h"

#include <fmt/format.h>

#include <cctype>
#include <cstdlib>

namespace {

constexpr std::string_view kHttps = "https://";

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

std::string RMOpenStreetMapSource::tileServerURL()
{
    const std::string host = tileHost();
    if (host.starts_with(kHttps))
        return host;
    // A port names a server of one's own, a loopback one most often.
    return (host.find(':') == std::string::npos ? "https://" : "http://") + host;
}

void RMOpenStreetMapSource::setTileHost(std::string_view host)
{
    hostOverride() = std::string(host);
}

std::string RMOpenStreetMapSource::tileURL(RMTile tile) const
{
    const float zoom = tile.zoom;
    if (!(zoom >= minZoom() && zoom <= maxZoom())) {
        throw base::AssertionFailure(fmt::format(
            "{} tried to retrieve tile with zoomLevel {}, outside source's defined range {:f} to {:f}",
            description(), tile.zoom, minZoom(), maxZoom()));
    }
    return fmt::format("{}/{}/{}/{}.png", tileServerURL(), tile.zoom, tile.x, tile.y);
}

std::string RMOpenStreetMapSource::uniqueTilecacheKey() const
{
    const std::string server = tileServerURL();
    if (server == std::string(kHttps) + std::string(kDefaultTileHost))
        return "OpenStreetMap";
    std::string key = "OpenStreetMap-";
    for (const char c : std::string_view(server).substr(server.find("://") + 3))
        key += std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' ? c : '-';
    return key;
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
