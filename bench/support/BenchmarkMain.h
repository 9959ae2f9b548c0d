#pragma once

#include <string>
#include <vector>

namespace vantry::bench {

// A figure a benchmark program prints after its runs, beside its limit or
// its peer: `run` and `peer` are run names as the table shows them
// ("BM_Frame/desktop/zoom:1540"); the median of repetitions is taken when
// the program was asked for several.
struct Figure {
    std::string label;
    std::string run;
    // A goal: the run's wall time must stay below this many milliseconds.
    double limitMs = 0;
    // Or a peer run measured in the same program.
    std::string peer;
    // Compared by bytes per second (both runs set SetBytesProcessed)
    // rather than by time.
    bool bySpeed = false;
};

// The whole of a benchmark program's main: a Qt application (offscreen
// unless QT_QPA_PLATFORM says otherwise), the platform log silenced (trace
// lines are not what is measured), then every benchmark the command line
// selects, in the console's table, followed by the figures beside their
// limits and peers (those whose runs were selected). Returns the exit
// status: 1 for arguments neither Qt nor Google Benchmark knows.
int runBenchmarks(int argc, char** argv, const std::vector<Figure>& figures = {});

} // namespace vantry::bench
