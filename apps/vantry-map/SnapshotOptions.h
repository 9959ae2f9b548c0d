#pragma once

#include "CGGeometry.h"
#include "RMLatLong.h"

#include <optional>
#include <string>
#include <vector>

// What `vantry-map snapshot` was asked to draw.
struct SnapshotOptions {
    struct Marker {
        RMLatLong position;
        std::string picture;
    };

    RMLatLong center;
    float zoom = 0;
    CGSize size;
    std::string out;
    std::vector<Marker> markers;
    // "host:port"; empty: the program's default tile server.
    std::string tileHost;
    // Seconds to wait for the tiles.
    double timeout = 30;
};

// Reads the arguments after "snapshot". On a mistake returns none and sets
// `error` to a sentence naming it.
std::optional<SnapshotOptions> parseSnapshotOptions(
    const std::vector<std::string>& arguments, std::string& error);
