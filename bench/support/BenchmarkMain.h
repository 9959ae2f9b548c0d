#pragma once

namespace vantry::bench {

// The whole of a benchmark program's main: a Qt application (offscreen
// unless QT_QPA_PLATFORM says otherwise), the platform log silenced (trace
// lines are not what is measured), then every benchmark the command line
// selects. Returns the exit status: 1 for arguments neither Qt nor Google
// Benchmark knows.
int runBenchmarks(int argc, char** argv);

} // namespace vantry::bench
