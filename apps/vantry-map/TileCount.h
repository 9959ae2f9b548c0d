#pragma once

#include <cstddef>

class RMTileImageSet;

// How far the tiles on screen have come.
struct TileCount {
    std::size_t total = 0;
    std::size_t loaded = 0;
    std::size_t failed = 0;
    // Failed tiles for which the server did answer (an error status, or
    // bytes that are no picture).
    std::size_t answered = 0;

    bool settled() const { return loaded + failed == total; }
    friend bool operator==(const TileCount&, const TileCount&) = default;
};

// A web tile is settled once its download finished (its connection is gone)
// or failed (its placeholder is gone); other tiles come with their bytes.
// (A loading tile's layer shows the placeholder, so isLoaded() is no guide.)
TileCount countTiles(const RMTileImageSet& images);
