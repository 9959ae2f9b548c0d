// Parse and write speed of our codec against nlohmann::json and RapidJSON (DOM, default flags) on
// three reference files. Every benchmark reports the input file's size per second, so the figures
// of one file compare directly, and the page faults per iteration (fresh memory touched).
#include "BenchFigures.h"
#include "ZQJsonParser.h"
#include "ZQJsonWriter.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string dataFolder()
{
    const char* fromEnvironment = std::getenv("VANTRY_JSON_BENCH_DATA");
    return fromEnvironment && *fromEnvironment ? fromEnvironment : VANTRY_JSON_BENCH_DATA;
}

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

long pageFaults()
{
    rusage usage {};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

// Counts the page faults of the timed loop, from its construction to `finish`, per iteration.
class Report {
public:
    explicit Report(benchmark::State& state)
        : state_(state)
        , faultsBefore_(pageFaults())
    { }

    void finish(const std::string& text)
    {
        state_.counters["faults"] = benchmark::Counter(
            static_cast<double>(pageFaults() - faultsBefore_), benchmark::Counter::kAvgIterations);
        state_.SetBytesProcessed(
            static_cast<std::int64_t>(state_.iterations()) * static_cast<std::int64_t>(text.size()));
    }

private:
    benchmark::State& state_;
    const long faultsBefore_;
};

// With `referencesInput` the tree refers to the input instead of copies of its texts and numbers.
template<bool referencesInput> void parseOurs(benchmark::State& state, const std::string& text)
{
    json::ZQJsonParser parser;
    parser.setReferencesInput(referencesInput);
    Report report(state);
    for (auto _ : state) {
        std::optional<json::Document> value = parser.objectWithStringAllowScalar(text, false);
        if (!value)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(value);
    }
    report.finish(text);
}

void parseNlohmann(benchmark::State& state, const std::string& text)
{
    Report report(state);
    for (auto _ : state) {
        nlohmann::json value = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(value);
    }
    report.finish(text);
}

void parseRapidJson(benchmark::State& state, const std::string& text)
{
    Report report(state);
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(text.data(), text.size());
        if (document.HasParseError())
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(document);
    }
    report.finish(text);
}

void writeOurs(benchmark::State& state, const std::string& text)
{
    json::ZQJsonParser parser;
    const std::optional<json::Document> value = parser.objectWithStringAllowScalar(text, false);
    json::ZQJsonWriter writer;
    Report report(state);
    for (auto _ : state) {
        std::optional<std::string> output = writer.stringWithObjectAllowScalar(*value, false);
        benchmark::DoNotOptimize(output);
    }
    report.finish(text);
}

void writeNlohmann(benchmark::State& state, const std::string& text)
{
    const nlohmann::json value = nlohmann::json::parse(text);
    Report report(state);
    for (auto _ : state) {
        std::string output = value.dump();
        benchmark::DoNotOptimize(output);
    }
    report.finish(text);
}

void writeRapidJson(benchmark::State& state, const std::string& text)
{
    rapidjson::Document document;
    document.Parse(text.data(), text.size());
    Report report(state);
    for (auto _ : state) {
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        document.Accept(writer);
        benchmark::DoNotOptimize(buffer.GetString());
    }
    report.finish(text);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const std::string folder = dataFolder();
    static std::string texts[3];
    const char* const names[] = { "twitter", "citm_catalog", "canada" };
    for (int i = 0; i < 3; ++i) {
        texts[i] = readFile(folder + "/" + names[i] + ".json");
        if (texts[i].empty()) {
            std::fprintf(stderr, "bench_json: cannot read %s/%s.json (set VANTRY_JSON_BENCH_DATA)\n",
                folder.c_str(), names[i]);
            return 1;
        }
    }
    using Run = void (*)(benchmark::State&, const std::string&);
    const struct {
        const char* name;
        Run run;
    } runs[] = {
        { "parse/ours", parseOurs<false> },
        { "parse/ours-referencing-input", parseOurs<true> },
        { "parse/nlohmann", parseNlohmann },
        { "parse/rapidjson", parseRapidJson },
        { "write/ours", writeOurs },
        { "write/nlohmann", writeNlohmann },
        { "write/rapidjson", writeRapidJson },
    };
    std::vector<vantry::bench::Figure> figures;
    for (int i = 0; i < 3; ++i) {
        for (const char* what : { "parse", "write" }) {
            for (const char* peer : { "rapidjson", "nlohmann" }) {
                const std::string file = names[i];
                figures.push_back(
                    { std::string(what) + " " + file + " beside " + peer, std::string(what) + "/ours/" + file,
                        0, std::string(what) + "/" + peer + "/" + file, true });
            }
        }
        for (const auto& run : runs) {
            const std::string& text = texts[i];
            benchmark::RegisterBenchmark((std::string(run.name) + "/" + names[i]).c_str(),
                [run = run.run, &text](benchmark::State& state) { run(state, text); })
                ->Unit(benchmark::kMillisecond);
        }
    }
    vantry::bench::runAndPrintFigures(figures);
    benchmark::Shutdown();
    return 0;
}
