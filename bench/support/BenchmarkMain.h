#pragma once

#include "BenchFigures.h"

#include <vector>

namespace vantry::bench {

// The whole of a benchmark program's main: a Qt application (offscreen
// unless QT_QPA_PLATFORM says otherwise), the platform log silenced (trace
// lines are not what is measured), then every benchmark the command line
// selects, in the console's table, followed by the figures beside their
// limits and peers (those whose runs were selected). Returns the exit
// status: 1 for arguments neither Qt nor Google Benchmark knows.
int runBenchmarks(int argc, char** argv, const std::vector<Figure>& figures = {});

} // namespace vantry::bench
