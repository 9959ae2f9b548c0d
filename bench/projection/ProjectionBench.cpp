// Cost per point of the coordinate conversions: the geographic projection
// through PROJ against a bare proj_trans call on the same PROJ object, against
// PROJ as it sets the definition up by default, and against the same
// spherical Mercator mathematics in closed form (the limit); and the camera's
// projected/screen conversions.
#include "BenchFigures.h"
#include "RMMercatorToScreenProjection.h"
#include "RMProjection.h"

#include <proj.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr size_t pointCount = 4096;
constexpr size_t pointMask = pointCount - 1;
constexpr double sphereRadius = 6378137;
constexpr double radiansPerDegree = std::numbers::pi / 180;
constexpr double degreesPerRadian = 180 / std::numbers::pi;

const char* const googleDefinition
    = "+title= Google Mercator EPSG:900913\t\t\t\t   "
      "+proj=merc +a=6378137 +b=6378137 +lat_ts=0.0 +lon_0=0.0 +x_0=0.0 +y_0=0 "
      "+k=1.0 +units=m +nadgrids=@null +no_defs";

struct Inputs {
    std::vector<RMLatLong> latLongs;
    std::vector<PJ_COORD> radians;
    std::vector<RMProjectedPoint> points;
    std::vector<PJ_COORD> pointCoords;
    std::vector<CGPoint> screenPoints;
};

const Inputs& inputs()
{
    static const Inputs generated = [] {
        Inputs in;
        std::mt19937_64 random(20261207);
        std::uniform_real_distribution<double> latitude(-85, 85);
        std::uniform_real_distribution<double> longitude(-180, 180);
        std::uniform_real_distribution<float> x(0, 320);
        std::uniform_real_distribution<float> y(0, 460);
        const RMProjection& google = *RMProjection::googleProjection();
        for (size_t i = 0; i < pointCount; ++i) {
            const RMLatLong latLong { latitude(random), longitude(random) };
            const RMProjectedPoint point = google.latLongToPoint(latLong);
            in.latLongs.push_back(latLong);
            in.radians.push_back(
                proj_coord(latLong.longitude * radiansPerDegree, latLong.latitude * radiansPerDegree, 0, 0));
            in.points.push_back(point);
            in.pointCoords.push_back(proj_coord(point.easting, point.northing, 0, 0));
            in.screenPoints.push_back({ x(random), y(random) });
        }
        return in;
    }();
    return generated;
}

void finish(benchmark::State& state)
{
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void LatLongToPoint_RMProjection(benchmark::State& state)
{
    const RMProjection& google = *RMProjection::googleProjection();
    const std::vector<RMLatLong>& latLongs = inputs().latLongs;
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(google.latLongToPoint(latLongs[i++ & pointMask]));
    finish(state);
}

void LatLongToPoint_BareProjTrans(benchmark::State& state)
{
    PJ* projection = RMProjection::googleProjection()->internalProjection();
    const std::vector<PJ_COORD>& radians = inputs().radians;
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(proj_trans(projection, PJ_FWD, radians[i++ & pointMask]));
    finish(state);
}

// The definition as PROJ sets it up by default, applying the @null grid
// shift around every call.
void LatLongToPoint_ProjTransDefaultSetUp(benchmark::State& state)
{
    PJ_CONTEXT* context = proj_context_create();
    PJ* projection = proj_create(context, googleDefinition);
    const std::vector<PJ_COORD>& radians = inputs().radians;
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(proj_trans(projection, PJ_FWD, radians[i++ & pointMask]));
    finish(state);
    proj_destroy(projection);
    proj_context_destroy(context);
}

void LatLongToPoint_ClosedForm(benchmark::State& state)
{
    const std::vector<RMLatLong>& latLongs = inputs().latLongs;
    size_t i = 0;
    for (auto _ : state) {
        const RMLatLong& latLong = latLongs[i++ & pointMask];
        const double phi = latLong.latitude * radiansPerDegree;
        benchmark::DoNotOptimize(RMProjectedPoint { sphereRadius * latLong.longitude * radiansPerDegree,
            sphereRadius * std::log(std::tan(std::numbers::pi / 4 + phi / 2)) });
    }
    finish(state);
}

void PointToLatLong_RMProjection(benchmark::State& state)
{
    const RMProjection& google = *RMProjection::googleProjection();
    const std::vector<RMProjectedPoint>& points = inputs().points;
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(google.pointToLatLong(points[i++ & pointMask]));
    finish(state);
}

void PointToLatLong_BareProjTrans(benchmark::State& state)
{
    PJ* projection = RMProjection::googleProjection()->internalProjection();
    const std::vector<PJ_COORD>& coords = inputs().pointCoords;
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(proj_trans(projection, PJ_INV, coords[i++ & pointMask]));
    finish(state);
}

void PointToLatLong_ProjTransDefaultSetUp(benchmark::State& state)
{
    PJ_CONTEXT* context = proj_context_create();
    PJ* projection = proj_create(context, googleDefinition);
    const std::vector<PJ_COORD>& coords = inputs().pointCoords;
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(proj_trans(projection, PJ_INV, coords[i++ & pointMask]));
    finish(state);
    proj_destroy(projection);
    proj_context_destroy(context);
}

void PointToLatLong_ClosedForm(benchmark::State& state)
{
    const std::vector<RMProjectedPoint>& points = inputs().points;
    size_t i = 0;
    for (auto _ : state) {
        const RMProjectedPoint& point = points[i++ & pointMask];
        benchmark::DoNotOptimize(
            RMLatLong { std::atan(std::sinh(point.northing / sphereRadius)) * degreesPerRadian,
                point.easting / sphereRadius * degreesPerRadian });
    }
    finish(state);
}

void ProjectXYPoint(benchmark::State& state)
{
    RMMercatorToScreenProjection camera(RMProjection::googleProjection(), CGRectMake(0, 0, 320, 460));
    camera.setMetersPerPixel(1000);
    const std::vector<RMProjectedPoint>& points = inputs().points;
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(camera.projectXYPoint(points[i++ & pointMask]));
    finish(state);
}

void ProjectScreenPointToXY(benchmark::State& state)
{
    RMMercatorToScreenProjection camera(RMProjection::googleProjection(), CGRectMake(0, 0, 320, 460));
    camera.setMetersPerPixel(1000);
    const std::vector<CGPoint>& screenPoints = inputs().screenPoints;
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(camera.projectScreenPointToXY(screenPoints[i++ & pointMask]));
    finish(state);
}

BENCHMARK(LatLongToPoint_RMProjection);
BENCHMARK(LatLongToPoint_BareProjTrans);
BENCHMARK(LatLongToPoint_ProjTransDefaultSetUp);
BENCHMARK(LatLongToPoint_ClosedForm);
BENCHMARK(PointToLatLong_RMProjection);
BENCHMARK(PointToLatLong_BareProjTrans);
BENCHMARK(PointToLatLong_ProjTransDefaultSetUp);
BENCHMARK(PointToLatLong_ClosedForm);
BENCHMARK(ProjectXYPoint);
BENCHMARK(ProjectScreenPointToXY);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    vantry::bench::runAndPrintFigures({
        { "latitude/longitude to metres beside bare proj_trans", "LatLongToPoint_RMProjection", 0,
            "LatLongToPoint_BareProjTrans" },
        { "metres to latitude/longitude beside bare proj_trans", "PointToLatLong_RMProjection", 0,
            "PointToLatLong_BareProjTrans" },
    });
    benchmark::Shutdown();
    return 0;
}
