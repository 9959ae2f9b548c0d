#pragma once

#include "CGGeometry.h"

#include <cstdint>

// A tile of the tile pyramid. At zoom z the planet is 2^z by 2^z tiles;
// a valid tile has 0 <= x < 2^z (columns counted eastwards from the west
// edge) and 0 <= y < 2^z (rows counted southwards from the north edge).
struct RMTile {
    uint32_t x = 0;
    uint32_t y = 0;
    int16_t zoom = 0;

    friend bool operator==(const RMTile&, const RMTile&) = default;
};

// A position inside a tile, in tile units (normally 0 <= offset < 1),
// x eastwards and y southwards.
struct RMTilePoint {
    RMTile tile;
    CGPoint offset;
};

// `origin` is the north-west corner; the size is in tile units, width
// eastwards and height southwards.
struct RMTileRect {
    RMTilePoint origin;
    CGSize size;
};

// Interleaves the low `zoom` bits of x (even bits) and y (odd bits) below a
// marker bit at 2 * zoom, so distinct valid tiles of zoom 0 to 31 hash
// apart. Beyond that range: tiles of zoom 32 and above hash to all 32 bits
// of x and y interleaved, without a marker; tiles of negative zoom (among
// them the dummy tile) hash to 0.
uint64_t RMTileHash(RMTile tile);

// The tile caches' key: zoom in the top 8 bits, then 28 bits of x, then
// 28 bits of y; higher bits are cut off.
uint64_t RMTileKey(RMTile tile);

// The tile that stands for "no tile": x and y 0xFFFFFFFF, zoom -1.
RMTile RMTileDummy();
bool RMTileIsDummy(RMTile tile);

bool RMTilesEqual(RMTile a, RMTile b);

// The rectangle of whole tiles that starts at the tile holding the north-
// west corner and reaches at least as far east and south as `rect`. The
// size is ceilf(offset + size), the sum formed in float.
RMTileRect RMTileRectRound(RMTileRect rect);
