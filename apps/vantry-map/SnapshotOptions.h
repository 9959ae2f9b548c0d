#pragma once

#include "MapViewOptions.h"

#include <optional>
#include <string>
#include <vector>

// What `vantry-map snapshot` was asked to draw.
struct SnapshotOptions {
    // The largest picture, in pixels a side.
    static constexpr int kLargestPicture = 8192;

    // Every marker has a picture file; the size is in points.
    MapViewOptions map;
    std::string out;
    // Seconds to wait for the tiles.
    double timeout = 30;
    // The picture's pixels per point, as a panel's: the picture has the
    // size times this many pixels, and the map the tiles that match them.
    float scale = 1;

    CGSize pixelSize() const { return CGSizeMake(map.size.width * scale, map.size.height * scale); }
};

// Reads the arguments after "snapshot": the shared options, --out,
// --timeout and --scale. On a mistake returns none and sets `error` to a sentence naming
// it.
std::optional<SnapshotOptions> parseSnapshotOptions(
    const std::vector<std::string>& arguments, std::string& error);
