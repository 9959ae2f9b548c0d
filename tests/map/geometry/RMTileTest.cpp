#include "RMTile.h"
#include "MapTestPrinters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>

namespace {

struct HashCase {
    RMTile tile;
    uint64_t hash;
};

TEST(RMTileHash, InterleavesColumnAndRowBitsBelowAZoomMarker)
{
    const HashCase cases[] = {
        { { 0, 0, 0 }, 1 },
        { { 0xFFFFFFFF, 0xFFFFFFFF, 0 }, 1 }, // zoom 0 takes no bits from column and row
        { { 12345, 678, 0 }, 1 },
        { { 0, 0, 1 }, 4 },
        { { 1, 0, 1 }, 0b101 },
        { { 0, 1, 1 }, 0b110 },
        { { 3, 1, 2 }, 0b10111 },
        { { 0x7FFFFFFF, 0x7FFFFFFF, 31 }, 0x7FFFFFFFFFFFFFFF },
        { { 0x7FFFFFFF, 0, 31 }, 0x5555555555555555 },
        // No marker bit fits above 64 bits of coordinates: all 32 bits of
        // column and row are interleaved instead; negative zooms hash to 0.
        { { 0xFFFFFFFF, 0, 32 }, 0x5555555555555555 },
        { { 0, 0xFFFFFFFF, 32767 }, 0xAAAAAAAAAAAAAAAA },
        { { 0xFFFFFFFF, 0xFFFFFFFF, 40 }, 0xFFFFFFFFFFFFFFFF },
        { RMTileDummy(), 0 },
        { { 5, 5, -32768 }, 0 },
    };
    for (const HashCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.tile));
        EXPECT_EQ(RMTileHash(c.tile), c.hash);
    }
}

TEST(RMTileHash, DistinctValidTilesHashApart)
{
    std::set<uint64_t> hashes;
    size_t tiles = 0;
    for (int16_t zoom = 0; zoom <= 5; ++zoom) {
        for (uint32_t x = 0; x < (1u << zoom); ++x) {
            for (uint32_t y = 0; y < (1u << zoom); ++y) {
                hashes.insert(RMTileHash({ x, y, zoom }));
                ++tiles;
            }
        }
    }
    EXPECT_EQ(hashes.size(), tiles);
    EXPECT_NE(RMTileHash({ 0, 0, 30 }), RMTileHash({ 0, 0, 31 }));
}

struct KeyCase {
    RMTile tile;
    uint64_t key;
};

TEST(RMTileKey, PacksZoomColumnAndRowIntoEightTwentyEightAndTwentyEightBits)
{
    const KeyCase cases[] = {
        { { 0, 0, 0 }, 0 },
        { { 1, 1, 1 }, 0x0100000010000001 },
        { { 0x3FFFF, 0x3FFFF, 18 }, 0x12003FFFF003FFFF },
        { { 0x0FFFFFFF, 0, 28 }, 0x1CFFFFFFF0000000 },
        { RMTileDummy(), 0xFFFFFFFFFFFFFFFF },
        { { 0, 0, 256 }, 0 },
        { { 0, 0, 300 }, 0x2C00000000000000 },
        // Column and row bits above 27 are cut off.
        { { 1 | 1u << 28, 2 | 1u << 31, 20 }, 0x1400000010000002 },
        { { 1 | 1u << 27, 2, 20 }, 0x1480000010000002 },
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.tile));
        EXPECT_EQ(RMTileKey(c.tile), c.key);
    }
}

TEST(RMTileDummy, IsRecognisedByAllThreeFieldsAndEqualityComparesThemAll)
{
    EXPECT_TRUE(RMTileIsDummy(RMTileDummy()));
    EXPECT_FALSE(RMTileIsDummy({ 0xFFFFFFFF, 0xFFFFFFFF, 0 }));
    EXPECT_FALSE(RMTileIsDummy({ 0xFFFFFFFF, 0xFFFFFFFE, -1 }));
    EXPECT_FALSE(RMTileIsDummy({ 0xFFFFFFFE, 0xFFFFFFFF, -1 }));

    EXPECT_TRUE(RMTilesEqual({ 3, 4, 5 }, { 3, 4, 5 }));
    EXPECT_TRUE(RMTilesEqual(RMTileDummy(), RMTileDummy()));
    EXPECT_FALSE(RMTilesEqual({ 3, 4, 5 }, { 4, 4, 5 }));
    EXPECT_FALSE(RMTilesEqual({ 3, 4, 5 }, { 3, 5, 5 }));
    EXPECT_FALSE(RMTilesEqual({ 3, 4, 5 }, { 3, 4, 6 }));
    EXPECT_FALSE(RMTilesEqual({ 0, 0, -1 }, { 0, 0, 1 }));
}

struct RoundCase {
    RMTileRect rect;
    CGSize roundedSize;
};

TEST(RMTileRectRound, StartsAtTheCornerTileAndCoversTheRectangle)
{
    const RoundCase cases[] = {
        { { { { 5, 7, 3 }, { 0.25f, 0.5f } }, { 2.0f, 1.5f } }, { 3, 2 } },
        { { { { 5, 7, 3 }, { 0, 0 } }, { 2, 2 } }, { 2, 2 } },
        { { { { 1, 1, 4 }, { 0.5f, 0.5f } }, { 0.5f, 0.5f } }, { 1, 1 } },
        { { { { 1, 0, 4 }, { 0.75f, -0.25f } }, { 0.5f, 1.0f } }, { 2, 1 } },
    };
    for (const RoundCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.rect.origin.tile));
        const RMTileRect rounded = RMTileRectRound(c.rect);
        EXPECT_EQ(rounded.origin.tile, c.rect.origin.tile);
        EXPECT_EQ(rounded.origin.offset.x, 0.0f);
        EXPECT_EQ(rounded.origin.offset.y, 0.0f);
        EXPECT_EQ(rounded.size.width, c.roundedSize.width);
        EXPECT_EQ(rounded.size.height, c.roundedSize.height);
    }
}

TEST(RMTileRectRound, FormsTheSumInFloat)
{
    // 1 + 2^-25 rounds to 1 in float; in double it would reach a second tile.
    const float offset = std::ldexp(1.0f, -25);
    ASSERT_EQ(std::ceil(double { offset } + 1.0), 2.0);

    const RMTileRect rounded = RMTileRectRound({ { { 0, 0, 2 }, { offset, offset } }, { 1, 1 } });
    EXPECT_EQ(rounded.size.width, 1.0f);
    EXPECT_EQ(rounded.size.height, 1.0f);
}

} // namespace
