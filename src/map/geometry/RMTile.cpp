#include "RMTile.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int hashedBitsPerCoordinate = 32;
constexpr int highestMarkedZoom = 31;
} // namespace

uint64_t RMTileHash(RMTile tile)
{
    const int bits = std::clamp<int>(tile.zoom, 0, hashedBitsPerCoordinate);
    uint64_t hash = 0;
    for (int i = 0; i < bits; ++i) {
        hash |= uint64_t { (tile.x >> i) & 1u } << (2 * i);
        hash |= uint64_t { (tile.y >> i) & 1u } << (2 * i + 1);
    }
    if (tile.zoom >= 0 && tile.zoom <= highestMarkedZoom)
        hash |= uint64_t { 1 } << (2 * tile.zoom);
    return hash;
}

uint64_t RMTileKey(RMTile tile)
{
    const uint64_t zoom = static_cast<uint16_t>(tile.zoom) & 0xFFu;
    const uint64_t x = tile.x & 0x0FFFFFFFu;
    const uint64_t y = tile.y & 0x0FFFFFFFu;
    return (zoom << 56) | (x << 28) | y;
}

RMTile RMTileDummy()
{
    return { 0xFFFFFFFFu, 0xFFFFFFFFu, -1 };
}

bool RMTileIsDummy(RMTile tile)
{
    return tile == RMTileDummy();
}

bool RMTilesEqual(RMTile a, RMTile b)
{
    return a == b;
}

RMTileRect RMTileRectRound(RMTileRect rect)
{
    const float width = std::ceil(rect.origin.offset.x + rect.size.width);
    const float height = std::ceil(rect.origin.offset.y + rect.size.height);
    return { { rect.origin.tile, { 0, 0 } }, { width, height } };
}
