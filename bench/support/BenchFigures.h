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

// Runs every benchmark the command line selected (benchmark::Initialize
// has read it), reported as --benchmark_format asks (the console's table by
// default) and into --benchmark_out, then prints the figures whose runs were
// selected beside their limits and peers: on standard output after the
// table, on standard error after JSON or CSV, which tools read whole.
void runAndPrintFigures(const std::vector<Figure>& figures);

} // namespace vantry::bench
