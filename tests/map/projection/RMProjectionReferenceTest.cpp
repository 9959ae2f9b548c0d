// Checks the projections against references written outside this project:
// PROJ's own command-line tool run on the same definition strings, and the
// standard slippy-map tile formulas.
#include "MapTestPrinters.h"
#include "RMFractalTileProjection.h"
#include "RMProjection.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string googleDefinition
    = "+title= Google Mercator EPSG:900913\t\t\t\t   "
      "+proj=merc +a=6378137 +b=6378137 +lat_ts=0.0 +lon_0=0.0 +x_0=0.0 +y_0=0 +k=1.0 "
      "+units=m +nadgrids=@null +no_defs";
const std::string osgbDefinition
    = "+proj=tmerc +lat_0=49 +lon_0=-2 +k=0.999601 +x_0=400000 +y_0=-100000 +ellps=airy "
      "+datum=OSGB36 +units=m +no_defs";

using Pair = std::pair<double, double>;

// The definition as the tool's arguments. The tool reads only arguments
// that start with '+' as parameters, so the definition is cut before each
// '+' that follows a blank, as PROJ itself reads it, and the blanks between
// parameters are dropped (the title keeps its inner blanks).
std::string toolArguments(const std::string& definition)
{
    std::string arguments;
    size_t start = 0;
    while (start < definition.size()) {
        size_t next = definition.find('+', start + 1);
        while (next != std::string::npos && !std::isspace(static_cast<unsigned char>(definition[next - 1])))
            next = definition.find('+', next + 1);
        std::string parameter
            = definition.substr(start, next == std::string::npos ? std::string::npos : next - start);
        parameter.erase(parameter.find_last_not_of(" \t") + 1);
        arguments += " '" + parameter + "'";
        start = next;
    }
    return arguments;
}

// Runs `proj` (with `options`) on the definition for every input pair and
// returns its output pairs; empty when the tool cannot be run.
std::vector<Pair> runProj(
    const std::string& options, const std::string& definition, const std::vector<Pair>& input)
{
    const vantry::test::ScratchFolder folder("vantry-proj");
    const std::string points = folder.file("points.txt");
    {
        std::ofstream out(points);
        char line[128];
        for (const auto& [first, second] : input) {
            std::snprintf(line, sizeof line, "%.17g %.17g\n", first, second);
            out << line;
        }
    }
    const std::string command
        = "proj " + options + " -f %.12f" + toolArguments(definition) + " < '" + points + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {};
    std::vector<Pair> output;
    double first = 0;
    double second = 0;
    while (std::fscanf(pipe, "%lf %lf", &first, &second) == 2)
        output.emplace_back(first, second);
    const int status = pclose(pipe);
    if (status != 0)
        return {};
    return output;
}

std::vector<Pair> randomPairs(size_t count, Pair firstRange, Pair secondRange, uint64_t seed)
{
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> first(firstRange.first, firstRange.second);
    std::uniform_real_distribution<double> second(secondRange.first, secondRange.second);
    std::vector<Pair> pairs(count);
    for (Pair& pair : pairs)
        pair = { first(random), second(random) };
    return pairs;
}

struct ReferenceCase {
    const char* name;
    std::shared_ptr<RMProjection> projection;
    std::string definition;
    Pair longitudes;
    Pair latitudes;
    Pair eastings;
    Pair northings;
};

std::vector<ReferenceCase> referenceCases()
{
    return {
        { "Google", RMProjection::googleProjection(), googleDefinition, { -180, 180 }, { -85.05, 85.05 },
            { -20037508.34, 20037508.34 }, { -20037508.34, 20037508.34 } },
        { "OSGB", RMProjection::OSGB(), osgbDefinition, { -9, 3 }, { 49, 61 }, { -100000, 800000 },
            { -100000, 1300000 } },
    };
}

TEST(RMProjectionReference, TheDefinitionIsCutBeforeEachParameter)
{
    EXPECT_EQ(googleDefinition.size(), 154u);
    EXPECT_EQ(toolArguments("+a +b=x+y\t+c "), " '+a' '+b=x+y' '+c'");
    EXPECT_TRUE(
        toolArguments(googleDefinition).starts_with(" '+title= Google Mercator EPSG:900913' '+proj=merc' "));
}

TEST(RMProjectionReference, ForwardAgreesWithTheProjTool)
{
    for (const ReferenceCase& c : referenceCases()) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.projection, nullptr);
        const std::vector<Pair> lonLat = randomPairs(300, c.longitudes, c.latitudes, 20261207);
        const std::vector<Pair> expected = runProj("", c.definition, lonLat);
        ASSERT_EQ(expected.size(), lonLat.size()) << "the proj tool (package proj-bin) did not run";
        for (size_t i = 0; i < lonLat.size(); ++i) {
            const RMProjectedPoint point
                = c.projection->latLongToPoint({ lonLat[i].second, lonLat[i].first });
            ASSERT_NEAR(point.easting, expected[i].first, 1e-6)
                << "lon " << lonLat[i].first << " lat " << lonLat[i].second;
            ASSERT_NEAR(point.northing, expected[i].second, 1e-6)
                << "lon " << lonLat[i].first << " lat " << lonLat[i].second;
        }
    }
}

TEST(RMProjectionReference, InverseAgreesWithTheProjTool)
{
    for (const ReferenceCase& c : referenceCases()) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.projection, nullptr);
        const std::vector<Pair> points = randomPairs(300, c.eastings, c.northings, 7021626);
        const std::vector<Pair> expected = runProj("-I", c.definition, points);
        ASSERT_EQ(expected.size(), points.size()) << "the proj tool (package proj-bin) did not run";
        for (size_t i = 0; i < points.size(); ++i) {
            const RMLatLong latLong = c.projection->pointToLatLong({ points[i].first, points[i].second });
            ASSERT_NEAR(latLong.longitude, expected[i].first, 1e-9)
                << "x " << points[i].first << " y " << points[i].second;
            ASSERT_NEAR(latLong.latitude, expected[i].second, 1e-9)
                << "x " << points[i].first << " y " << points[i].second;
        }
    }
}

// The standard slippy-map formulas, on the sphere, in double.
Pair slippyTilePosition(RMLatLong latLong, int zoom)
{
    const double tiles = std::exp2(zoom);
    const double phi = latLong.latitude * std::numbers::pi / 180;
    const double column = (latLong.longitude + 180) / 360 * tiles;
    const double row = (1 - std::log(std::tan(phi) + 1 / std::cos(phi)) / std::numbers::pi) / 2 * tiles;
    return { column, row };
}

TEST(RMProjectionReference, MercatorTilesAgreeWithTheSlippyMapFormulas)
{
    // The planet bounds are +-20037508.34 m where the sphere's half
    // circumference is 20037508.3428 m, so the two grids may disagree for
    // points within about 3 mm of a tile edge; such points are tolerated
    // and counted, all others must give the same tile.
    constexpr double edgeTolerance = 0.01; // metres
    const RMProjection& google = *RMProjection::googleProjection();
    const RMFractalTileProjection tiles(&google, 256, 18);

    std::vector<RMLatLong> points;
    for (const auto& [longitude, latitude] : randomPairs(400, { -180, 180 }, { -85.05, 85.05 }, 1337))
        points.push_back({ latitude, longitude });
    // Points on tile edges at every zoom, the date line among them.
    for (const RMLatLong& edge : { RMLatLong { 0, 0 }, RMLatLong { 0, -180 }, RMLatLong { 0, 180 },
             RMLatLong { 45, 90 }, RMLatLong { -60, -90 } })
        points.push_back(edge);

    int compared = 0;
    int nearEdge = 0;
    for (const RMLatLong& latLong : points) {
        for (int zoom = 0; zoom <= 18; ++zoom) {
            const auto [column, row] = slippyTilePosition(latLong, zoom);
            const RMTilePoint tilePoint
                = tiles.projectAtZoom(google.latLongToPoint(latLong), static_cast<float>(zoom));
            ++compared;
            EXPECT_EQ(tilePoint.tile.zoom, zoom);
            if (tilePoint.tile.x == static_cast<uint32_t>(std::floor(column))
                && tilePoint.tile.y == static_cast<uint32_t>(std::floor(row)))
                continue;

            const double tileMetres = 40075016.68 / std::exp2(zoom);
            const double columnEdge = std::fabs(column - std::round(column)) * tileMetres;
            const double rowEdge = std::fabs(row - std::round(row)) * tileMetres;
            EXPECT_TRUE(columnEdge < edgeTolerance || rowEdge < edgeTolerance)
                << ::testing::PrintToString(latLong) << " zoom " << zoom << ": tile " << tilePoint.tile.x
                << ", " << tilePoint.tile.y << " against " << column << ", " << row;
            ++nearEdge;
        }
    }
    RecordProperty("compared", compared);
    RecordProperty("toleratedNearEdge", nearEdge);
    // The date line points disagree at (nearly) every zoom; random points
    // almost never fall within a centimetre of an edge.
    EXPECT_GE(nearEdge, 2 * 18);
    EXPECT_LE(nearEdge, compared / 100);
}

} // namespace
