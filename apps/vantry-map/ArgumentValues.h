#pragma once

#include "CGGeometry.h"
#include "RMLatLong.h"

#include <optional>
#include <string>
#include <string_view>

// Values of vantry-map's command-line options. On a mistake each returns
// none and sets `error` to a sentence naming it.

// A finite decimal number, the whole text.
std::optional<double> parseNumber(std::string_view text);
// "LAT,LON" in decimal degrees, within the Mercator map's latitudes. With
// `rest`, a third comma may follow and `rest` gets what comes after it.
std::optional<RMLatLong> parsePosition(
    std::string_view text, std::string& error, std::string_view* rest = nullptr);
// "WxH", whole pixels from 1 to 8192.
std::optional<CGSize> parseSize(std::string_view text, std::string& error);
// A zoom level from 1 to 16.
std::optional<float> parseZoom(std::string_view text, std::string& error);
// "HOST", "HOST:PORT" or "https://HOST[:PORT]".
bool isTileHost(std::string_view text, std::string& error);
