// The game screen applying a server answer on the main thread: 1000 game
// objects turned into markers (every picture already in the picture cache),
// first as new markers, then as the same objects answered again (pictures
// replaced, distances checked, every fourth object moved). One frame at 60
// Hz is 16.7 ms.
#include "BenchmarkMain.h"
#include "GameMapViewController.h"
#include "GameSettings.h"
#include "GameState.h"
#include "ManualClock.h"
#include "RMMarkerManager.h"
#include "ScriptedPositionSource.h"
#include "Utilities.h"

#include <QImage>

#include <fmt/format.h>

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int kObjects = 1000;

// An answer with the hero and kObjects − 1 coins on a 1 km square; `shift`
// moves every fourth coin by 0.0002 degrees.
std::string answer(bool shift)
{
    std::string objects = R"(["hero",55.75,37.61,"ms"])";
    for (int index = 1; index < kObjects; ++index) {
        const double move = shift && index % 4 == 0 ? 0.0002 : 0;
        objects += fmt::format(R"(,["c{}",{:.6f},{:.6f},"coin"])", index,
            55.745 + (index % 32) * 0.0003 + move, 37.605 + (index / 32) * 0.0003);
    }
    return R"({"O":[)" + objects + R"(],"S":3,"T":1000,"L":0,"P":0,"t":0})";
}

class Game {
public:
    Game()
    {
        game::GameState::reset();
        for (const char* name : { "ms", "coin" }) {
            QImage picture(24, 32, QImage::Format_ARGB32_Premultiplied);
            picture.fill(Qt::yellow);
            picture.save(QString::fromStdString(game::Utilities::cacheFolder() + "/" + name), "PNG");
        }
        game::GameSettings::shared().positionSource = [](game::GameMapViewController&) {
            return std::make_unique<platform::ScriptedPositionSource>();
        };
        controller_.view();
        controller_.mapView()->contents().setZoom(16);
        controller_.mapView()->contents().moveToLatLong(RMLatLong { 55.75, 37.61 });
    }
    ~Game() { game::GameState::reset(); }

    game::GameMapViewController& controller() { return controller_; }

private:
    vantry::test::ManualClock clock_ { 1'000'000 };
    game::GameMapViewController controller_ { "MainView" };
};

void BM_AnswerCreatesMarkers(benchmark::State& state)
{
    Game game;
    const std::string text = answer(false);
    const std::string empty = R"({"O":[]})";
    for (auto _ : state) {
        game.controller().ParseDataFromServer(text);
        state.PauseTiming();
        game.controller().ParseDataFromServer(empty);
        state.ResumeTiming();
    }
    state.counters["objects"] = kObjects;
}
BENCHMARK(BM_AnswerCreatesMarkers)->Unit(benchmark::kMillisecond);

void BM_AnswerUpdatesMarkers(benchmark::State& state)
{
    Game game;
    const std::string texts[] = { answer(false), answer(true) };
    game.controller().ParseDataFromServer(texts[0]);
    int turn = 0;
    for (auto _ : state)
        game.controller().ParseDataFromServer(texts[++turn % 2]);
    state.counters["objects"] = kObjects;
    state.counters["markers"]
        = static_cast<double>(game.controller().mapView()->markerManager().markers().size());
}
BENCHMARK(BM_AnswerUpdatesMarkers)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // An answer is handled between two frames of a 60 Hz screen.
    return vantry::bench::runBenchmarks(argc, argv,
        {
            { "answer of 1000 objects, markers made", "BM_AnswerCreatesMarkers", 1000.0 / 60 },
            { "answer of 1000 objects, markers moved", "BM_AnswerUpdatesMarkers", 1000.0 / 60 },
        });
}
