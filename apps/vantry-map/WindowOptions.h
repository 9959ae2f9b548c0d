#pragma once

#include "CGGeometry.h"
#include "RMLatLong.h"
#include "RMMapContents.h"

#include <optional>
#include <string>
#include <vector>

// What the map window (vantry-map without a command) was asked to show.
struct WindowOptions {
    struct Marker {
        RMLatLong position;
        // Empty: the program's own marker picture.
        std::string picture;
    };

    RMLatLong center = RMMapContents::kDefaultCenter;
    float zoom = RMMapContents::kDefaultZoom;
    // The window's first size, in points.
    CGSize size = CGSizeMake(1024, 768);
    std::vector<Marker> markers;
    // "host:port"; empty: the program's default tile server.
    std::string tileHost;
};

// Reads the window's arguments. On a mistake returns none and sets `error`
// to a sentence naming it.
std::optional<WindowOptions> parseWindowOptions(
    const std::vector<std::string>& arguments, std::string& error);
