#include "RMFractalTileProjection.h"
#include "Exception.h"
#include "MapTestPrinters.h"
#include "RMMercatorToScreenProjection.h"
#include "RMProjection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr double eastEdge = 20037508.34;
constexpr double westEdge = -20037508.34;
constexpr double planetWidth = 40075016.68;
constexpr float floatNan = std::numeric_limits<float>::quiet_NaN();
constexpr float floatInf = std::numeric_limits<float>::infinity();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

class RMFractalTileProjectionTest : public ::testing::Test {
protected:
    RMFractalTileProjection tiles { RMProjection::googleProjection().get(), 256, 18 };
};

void expectTilePoint(const RMTilePoint& actual, RMTile tile, CGPoint offset)
{
    EXPECT_EQ(actual.tile, tile);
    EXPECT_EQ(actual.offset.x, offset.x);
    EXPECT_EQ(actual.offset.y, offset.y);
}

TEST(RMFractalTileProjectionConstruction, RejectsProjectionsWithUnknownBounds)
{
    for (const auto& projection : { RMProjection::OSGB(), std::shared_ptr<RMProjection>(),
             RMProjection::createWithStringInBounds("+proj=merc", RMMakeProjectedRect(0, 0, 100, 0)) }) {
        try {
            RMFractalTileProjection tiles(projection.get(), 256, 18);
            ADD_FAILURE() << "no exception";
        } catch (const base::NamedException& exception) {
            EXPECT_EQ(exception.name(), "RMUnknownBoundsException");
            EXPECT_EQ(exception.reason(),
                "RMFractalTileProjection was initialised with a projection with unknown bounds");
            EXPECT_EQ(std::string(exception.what()),
                "RMUnknownBoundsException: RMFractalTileProjection was initialised with a projection with "
                "unknown bounds");
        }
    }
}

TEST_F(RMFractalTileProjectionTest, ConvertsBetweenScaleAndZoom)
{
    EXPECT_NEAR(tiles.calculateZoomFromScale(156543.03390625f), 0, 1e-6);
    EXPECT_NEAR(tiles.calculateZoomFromScale(0.5971642833948135f), 18, 1e-5);
    EXPECT_NEAR(tiles.calculateZoomFromScale(10), 13.934272f, 1e-5);
    for (int zoom = 0; zoom <= 20; ++zoom) {
        SCOPED_TRACE(zoom);
        const float scale = tiles.calculateScaleFromZoom(static_cast<float>(zoom));
        EXPECT_EQ(scale, static_cast<float>(156543.03390625 / std::exp2(zoom)));
        EXPECT_NEAR(tiles.calculateZoomFromScale(scale), zoom, 1e-5);
    }
    EXPECT_EQ(tiles.calculateNormalisedZoomFromScale(10), 14);
    EXPECT_EQ(tiles.calculateNormalisedZoomFromScale(0.001f), 18);
}

TEST_F(RMFractalTileProjectionTest, ZoomAndScaleAreComputedInDoubleThenNarrowed)
{
    const float scale = 6.91f;
    const double scaleFactor = std::log2(planetWidth / 256);
    const float zoomNarrowed = static_cast<float>(scaleFactor - std::log2(double { scale }));
    ASSERT_NE(zoomNarrowed, static_cast<float>(scaleFactor) - std::log2(scale));
    EXPECT_EQ(tiles.calculateZoomFromScale(scale), zoomNarrowed);

    const float zoom = 7.1f;
    const float scaleNarrowed = static_cast<float>(planetWidth / 256 / std::exp2(double { zoom }));
    ASSERT_NE(scaleNarrowed, static_cast<float>(planetWidth) / 256 / std::exp2(zoom));
    EXPECT_EQ(tiles.calculateScaleFromZoom(zoom), scaleNarrowed);
}

struct ZoomCase {
    float zoom;
    float normalised;
};

TEST_F(RMFractalTileProjectionTest, NormalisesZoomsToWholeLevelsWithinRange)
{
    const ZoomCase cases[] = {
        { 2.5f, 3 },
        { 2.49f, 2 },
        { 0.5f, 1 },
        { -0.5f, 0 },
        { -0.7f, 0 },
        { 17.5f, 18 },
        { 18.4f, 18 },
        { 25, 18 },
        { floatInf, 18 },
        { -floatInf, 0 },
    };
    for (const ZoomCase& c : cases) {
        SCOPED_TRACE(c.zoom);
        EXPECT_EQ(tiles.normaliseZoom(c.zoom), c.normalised);
    }
    EXPECT_TRUE(std::isnan(tiles.normaliseZoom(floatNan)));
}

TEST_F(RMFractalTileProjectionTest, LimitIsTwoToTheZoom)
{
    EXPECT_EQ(tiles.limitFromNormalisedZoom(0), 1);
    EXPECT_EQ(tiles.limitFromNormalisedZoom(1), 2);
    EXPECT_EQ(tiles.limitFromNormalisedZoom(18), 262144);
    EXPECT_EQ(tiles.limitFromNormalisedZoom(0.5f), 1.41421354f);
    EXPECT_EQ(tiles.limitFromNormalisedZoom(200), floatInf);
}

struct NormaliseTileCase {
    RMTile tile;
    RMTile normalised;
};

TEST_F(RMFractalTileProjectionTest, WrapsColumnsAndRejectsRowsOutsideTheGrid)
{
    const NormaliseTileCase cases[] = {
        { { 5, 1, 2 }, { 1, 1, 2 } },
        { { 1, 4, 2 }, RMTileDummy() },
        { { 3, 0, 0 }, { 0, 0, 0 } },
        { { 0, 1, 0 }, RMTileDummy() },
        { { 4, 3, 2 }, { 0, 3, 2 } },
        { { 0xFFFFFFFF, 0x7FFFFFFF, 31 }, { 0x7FFFFFFF, 0x7FFFFFFF, 31 } },
        { { 0, 0x80000000, 31 }, RMTileDummy() },
        { { 0xFFFFFFFF, 0xFFFFFFFF, 32 }, { 0xFFFFFFFF, 0xFFFFFFFF, 32 } },
        { { 0xFFFFFFFF, 0xFFFFFFFF, 32767 }, { 0xFFFFFFFF, 0xFFFFFFFF, 32767 } },
        { RMTileDummy(), RMTileDummy() },
        { { 7, 0, -5 }, { 0, 0, -5 } },
    };
    for (const NormaliseTileCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.tile));
        EXPECT_EQ(tiles.normaliseTile(c.tile), c.normalised);
    }
}

TEST_F(RMFractalTileProjectionTest, ProjectsPointsToTilePoints)
{
    expectTilePoint(tiles.projectAtZoom({ 0, 0 }, 1), { 1, 1, 1 }, { 0, 0 });
    expectTilePoint(tiles.projectAtZoom({ westEdge, eastEdge }, 0), { 0, 0, 0 }, { 0, 0 });
    expectTilePoint(tiles.projectAtZoom({ 0, 0 }, 0.6f), { 1, 1, 1 }, { 0, 0 });
    expectTilePoint(tiles.projectAtZoom({ westEdge, westEdge }, 3), { 0, 8, 3 }, { 0, 0 });
    expectTilePoint(tiles.projectAtZoom({ 0, 0 }, 40), { 131072, 131072, 18 }, { 0, 0 });

    const RMTilePoint quarter
        = tiles.projectAtZoom({ westEdge + planetWidth / 8, eastEdge - planetWidth / 8 }, 2);
    expectTilePoint(quarter, { 0, 0, 2 }, { 0.5f, 0.5f });
}

TEST_F(RMFractalTileProjectionTest, PointsOffThePlanet)
{
    // East and west of it: the column they wrap to.
    const RMTilePoint wrapped = tiles.projectAtZoom({ eastEdge + planetWidth / 8, 0 }, 2);
    EXPECT_EQ(wrapped.tile, (RMTile { 0, 2, 2 }));
    EXPECT_NEAR(wrapped.offset.x, 0.5f, 1e-6);
    const RMTilePoint farWest = tiles.projectAtZoom({ westEdge - 3 * planetWidth - planetWidth / 8, 0 }, 2);
    EXPECT_EQ(farWest.tile, (RMTile { 3, 2, 2 }));
    EXPECT_NEAR(farWest.offset.x, 0.5f, 1e-6);

    // On the east edge: one past the last column, which normalises to 0.
    const RMTilePoint edge = tiles.projectAtZoom({ eastEdge, 0 }, 2);
    expectTilePoint(edge, { 4, 2, 2 }, { 0, 0 });
    EXPECT_EQ(tiles.normaliseTile(edge.tile), (RMTile { 0, 2, 2 }));

    // North of it: row 0 with a negative offset.
    const RMTilePoint north = tiles.projectAtZoom({ 0, eastEdge + 1000 }, 1);
    EXPECT_EQ(north.tile, (RMTile { 1, 0, 1 }));
    const double fy = ((westEdge - (eastEdge + 1000)) / planetWidth + 1) * 2;
    EXPECT_LT(fy, 0);
    EXPECT_EQ(north.offset.y, static_cast<float>(fy));
}

TEST_F(RMFractalTileProjectionTest, OffsetsAreDifferencesOfFloats)
{
    // At zoom 18 a column number needs 17 of float's 24 bits, so the offset
    // keeps the fraction only to 1/128: float(fx) - float(x), not the
    // fraction of fx.
    const double easting = westEdge + 123456.7 / 262144 * planetWidth;
    const double fx = (easting - westEdge) / planetWidth * 262144;
    const float offset = static_cast<float>(fx) - 123456.0f;
    ASSERT_NE(offset, static_cast<float>(fx - 123456));

    const RMTilePoint point = tiles.projectAtZoom({ easting, 0 }, 18);
    EXPECT_EQ(point.tile.x, 123456u);
    EXPECT_EQ(point.offset.x, offset);
}

TEST_F(RMFractalTileProjectionTest, RowsAddOneAfterDividingByThePlanetHeight)
{
    // ((origin - northing) / height + 1) * limit is exactly 1 here; adding
    // the height before dividing would land just short, in row 0.
    const double northing = 10018754.170000002;
    ASSERT_LT((westEdge - northing + planetWidth) / planetWidth * 4, 1.0);

    const RMTilePoint point = tiles.projectAtZoom({ 0, northing }, 2);
    EXPECT_EQ(point.tile.y, 1u);
    EXPECT_EQ(point.offset.y, 0);
}

TEST_F(RMFractalTileProjectionTest, ProjectsRectanglesFromTheirNorthWestCorner)
{
    const RMTileRect planet = tiles.projectRectAtZoom(tiles.planetBounds(), 2);
    expectTilePoint(planet.origin, { 0, 0, 2 }, { 0, 0 });
    EXPECT_EQ(planet.size.width, 4);
    EXPECT_EQ(planet.size.height, 4);

    const RMTileRect quarter = tiles.projectRectAtZoom(RMMakeProjectedRect(0, 0, eastEdge, eastEdge), 1.2f);
    expectTilePoint(quarter.origin, { 1, 0, 1 }, { 0, 0 });
    EXPECT_EQ(quarter.size.width, 1);
    EXPECT_EQ(quarter.size.height, 1);
}

TEST_F(RMFractalTileProjectionTest, RectangleSizesAreComputedInDoubleThenNarrowed)
{
    const double metres = 2.37;
    const float width = static_cast<float>(metres / planetWidth * 1);
    ASSERT_NE(width, static_cast<float>(metres) / static_cast<float>(planetWidth));

    const RMTileRect rect = tiles.projectRectAtZoom(RMMakeProjectedRect(0, 0, metres, metres), 0);
    EXPECT_EQ(rect.size.width, width);
    EXPECT_EQ(rect.size.height, width);
}

TEST_F(RMFractalTileProjectionTest, ScaleFormsUseTheUnroundedZoom)
{
    expectTilePoint(tiles.projectAtScale({ 0, 0 }, 156543.03390625f), { 0, 0, 0 }, { 0.5f, 0.5f });
    const RMTileRect atScale = tiles.projectRectAtScale(tiles.planetBounds(), 10);
    const RMTileRect atZoom = tiles.projectRectAtZoom(tiles.planetBounds(), 14);
    EXPECT_EQ(atScale.origin.tile, atZoom.origin.tile);
    EXPECT_EQ(atScale.size.width, 16384);
    EXPECT_EQ(atScale.size.height, 16384);
}

TEST_F(RMFractalTileProjectionTest, ProjectsWhatTheScreenShows)
{
    RMMercatorToScreenProjection screen(RMProjection::googleProjection(), CGRectMake(0, 0, 320, 460));
    screen.zoomBy(10);
    const RMTileRect shown = tiles.project(screen);
    const RMTileRect expected = tiles.projectRectAtScale(RMMakeProjectedRect(0, 0, 3200, 4600), 10);
    EXPECT_EQ(shown.origin.tile, expected.origin.tile);
    EXPECT_EQ(shown.origin.tile, (RMTile { 8192, 8190, 14 }));
    EXPECT_EQ(shown.origin.offset.y, expected.origin.offset.y);
    EXPECT_EQ(shown.size.width, expected.size.width);
    EXPECT_EQ(shown.size.height, expected.size.height);
}

TEST_F(RMFractalTileProjectionTest, HostileInputGivesSaturatedTiles)
{
    const RMTilePoint nanZoom = tiles.projectAtZoom({ 1000, 1000 }, floatNan);
    EXPECT_EQ(nanZoom.tile, (RMTile { 0, 0, 0 }));

    const RMTilePoint nanPoint = tiles.projectAtZoom({ nan, nan }, 5);
    EXPECT_EQ(nanPoint.tile, (RMTile { 0, 0, 5 }));
    EXPECT_TRUE(std::isnan(nanPoint.offset.x));

    EXPECT_EQ(tiles.projectAtZoom({ inf, -inf }, 5).tile, (RMTile { 0xFFFFFFFF, 0xFFFFFFFF, 5 }));
    EXPECT_EQ(tiles.projectAtZoom({ -inf, inf }, 5).tile, (RMTile { 0, 0, 5 }));
    EXPECT_EQ(tiles.projectAtZoom({ 1e300, -1e300 }, 5).tile.y, 0xFFFFFFFF);
    EXPECT_LT(tiles.projectAtZoom({ 1e300, -1e300 }, 5).tile.x, 32u);

    EXPECT_EQ(tiles.projectAtScale({ 0, 0 }, 0).tile, (RMTile { 131072, 131072, 18 }));
    EXPECT_EQ(tiles.projectAtScale({ 0, 0 }, -1).tile, (RMTile { 0, 0, 0 }));
    EXPECT_EQ(tiles.projectAtScale({ 0, 0 }, floatInf).tile, (RMTile { 0, 0, 0 }));
    EXPECT_EQ(tiles.projectRectAtScale(RMMakeProjectedRect(nan, inf, -inf, nan), 0).origin.tile.zoom, 18);
}

TEST(RMFractalTileProjectionHostileInput, HugeMaximumZoomsSaturate)
{
    RMFractalTileProjection deep(RMProjection::googleProjection().get(), 256, 0xFFFFFFFF);
    const RMTilePoint point = deep.projectAtZoom({ 1000, -1000 }, 1e9f);
    EXPECT_EQ(point.tile, (RMTile { 0xFFFFFFFF, 0xFFFFFFFF, 32767 }));
    EXPECT_EQ(deep.projectAtZoom({ westEdge, eastEdge }, 1e9f).tile.x, 0u);
    EXPECT_EQ(deep.projectInternalNormalisedZoomLimit({ 0, 0 }, -1e9f, 4).tile, (RMTile { 2, 2, -32768 }));

    RMFractalTileProjection noTiles(RMProjection::googleProjection().get(), 0, 18);
    EXPECT_EQ(noTiles.calculateZoomFromScale(1), floatInf);
    EXPECT_EQ(noTiles.projectAtScale({ 0, 0 }, 1).tile.zoom, 18);
}

} // namespace
