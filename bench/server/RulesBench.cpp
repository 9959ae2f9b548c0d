// The work of one play request in the rules alone, at the worst the game allows: a player at level
// 3000 (3000 princesses hidden, 9000 coins left behind) sending 10 000 points in one request.
#include "BenchFigures.h"
#include "GameRules.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr base::GeoPoint kStart { 51.5074, -0.1278 };

void BM_TenThousandPointsAtLevel3000(benchmark::State& state)
{
    const server::GameRules rules(1);
    server::PlayerState player = rules.newPlayer("bench", kStart, 0);
    player.coins.clear();
    for (int i = 0; i < 9000; ++i)
        player.coins.push_back({ "c" + std::to_string(i), base::destination(kStart, i * 0.7, 20 + i % 600) });
    // The level is finished: the request's first point begins level 3000.
    player.level = 2999;
    std::vector<base::GeoPoint> points;
    for (int i = 0; i < 10000; ++i)
        points.push_back(base::destination(kStart, i * 0.001, (i % 100) * 0.2));
    for (auto _ : state) {
        state.PauseTiming();
        server::PlayerState playing = player;
        state.ResumeTiming();
        // Days after the last point: fair play lets every point count.
        rules.play(playing, points, 1e6);
        benchmark::DoNotOptimize(playing.score);
    }
}
BENCHMARK(BM_TenThousandPointsAtLevel3000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    vantry::bench::runAndPrintFigures({
        { "a 10 000-point request at level 3000", "BM_TenThousandPointsAtLevel3000", 20 },
    });
    benchmark::Shutdown();
    return 0;
}
