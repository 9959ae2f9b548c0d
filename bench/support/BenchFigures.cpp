#include "BenchFigures.h"

#include <benchmark/benchmark.h>

#include <fmt/format.h>

#include <cstdio>
#include <map>
#include <optional>

namespace vantry::bench {

namespace {

struct Measured {
    // Wall time per iteration.
    double milliseconds = 0;
    double bytesPerSecond = 0;
};

// The report --benchmark_format asked for (the console's table by default),
// remembering each run's figures: the single run's, or the median of its
// repetitions.
class RecordingReporter : public benchmark::BenchmarkReporter {
public:
    // The table when the format is the console's; JSON and CSV readers
    // get nothing else on standard output.
    bool isTable() const { return dynamic_cast<benchmark::ConsoleReporter*>(chosen_) != nullptr; }

    bool ReportContext(const Context& context) override { return chosen_->ReportContext(context); }

    void ReportRuns(const std::vector<Run>& reports) override
    {
        for (const Run& run : reports) {
            if (run.error_occurred)
                continue;
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (!single && !median)
                continue;
            Measured measured;
            measured.milliseconds
                = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
            if (const auto bytes = run.counters.find("bytes_per_second"); bytes != run.counters.end())
                measured.bytesPerSecond = bytes->second.value;
            measured_[run.run_name.str()] = measured;
        }
        chosen_->ReportRuns(reports);
    }

    void Finalize() override { chosen_->Finalize(); }

    std::optional<Measured> find(const std::string& run) const
    {
        const auto found = measured_.find(run);
        return found == measured_.end() ? std::nullopt : std::optional(found->second);
    }

private:
    // The library's own, kept for the whole program.
    benchmark::BenchmarkReporter* chosen_ = benchmark::CreateDefaultDisplayReporter();
    std::map<std::string, Measured> measured_;
};

std::string milliseconds(double value)
{
    if (value < 1e-4)
        return fmt::format("{:.1f} ns", value * 1e6);
    if (value < 0.1)
        return fmt::format("{:.1f} µs", value * 1e3);
    return value < 100 ? fmt::format("{:.3g} ms", value) : fmt::format("{:.0f} ms", value);
}

void printFigures(const RecordingReporter& runs, const std::vector<Figure>& figures, std::FILE* to)
{
    bool header = false;
    for (const Figure& figure : figures) {
        const auto ours = runs.find(figure.run);
        const auto peer = figure.peer.empty() ? std::nullopt : runs.find(figure.peer);
        if (!ours || (!figure.peer.empty() && !peer))
            continue;
        if (!header) {
            std::fprintf(to, "\n%-62s %12s   %s\n", "Figure", "measured", "beside");
            header = true;
        }
        std::string measured;
        std::string beside;
        if (figure.bySpeed) {
            measured = fmt::format("{:.0f} MB/s", ours->bytesPerSecond / 1e6);
            beside = fmt::format("{:.0f} MB/s: {:.2f} × its speed", peer->bytesPerSecond / 1e6,
                ours->bytesPerSecond / peer->bytesPerSecond);
        } else if (peer) {
            measured = milliseconds(ours->milliseconds);
            beside = fmt::format("{}: {:.2f} × its time", milliseconds(peer->milliseconds),
                ours->milliseconds / peer->milliseconds);
        } else {
            measured = milliseconds(ours->milliseconds);
            beside = fmt::format("limit {}: {}", milliseconds(figure.limitMs),
                ours->milliseconds < figure.limitMs ? "met" : "NOT MET");
        }
        std::fprintf(to, "%-62s %12s   %s\n", figure.label.c_str(), measured.c_str(), beside.c_str());
    }
}

} // namespace

void runAndPrintFigures(const std::vector<Figure>& figures)
{
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::fflush(stdout);
    printFigures(reporter, figures, reporter.isTable() ? stdout : stderr);
}

} // namespace vantry::bench
