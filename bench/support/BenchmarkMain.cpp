#include "BenchmarkMain.h"

#include "Log.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace vantry::bench {

int runBenchmarks(int argc, char** argv, const std::vector<Figure>& figures)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    base::setLogSink([](std::string_view) {});
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    runAndPrintFigures(figures);
    benchmark::Shutdown();
    return 0;
}

} // namespace vantry::bench
