#pragma once

#include "MapViewOptions.h"

#include <optional>
#include <string>
#include <vector>

// What `vantry-map snapshot` was asked to draw.
struct SnapshotOptions {
    // Every marker has a picture file.
    MapViewOptions map;
    std::string out;
    // Seconds to wait for the tiles.
    double timeout = 30;
};

// Reads the arguments after "snapshot": the shared options, --out and
// --timeout. On a mistake returns none and sets `error` to a sentence naming
// it.
std::optional<SnapshotOptions> parseSnapshotOptions(
    const std::vector<std::string>& arguments, std::string& error);
