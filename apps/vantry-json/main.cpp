// vantry-json: reads JSON from a file or standard input and writes it back, compact or
// human-readable. Invalid input prints the whole error trace and exits 1.
#include "ZQJsonParser.h"
#include "ZQJsonWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr int kInvalidJson = 1;
constexpr int kUsageOrInputError = 2;

constexpr std::string_view kUsage = R"(usage: vantry-json [options] [FILE]

Reads JSON from FILE, or from standard input when FILE is missing or "-",
and writes it to standard output.

Options:
  --pretty      human-readable output: one member or element per line,
                two spaces of indentation per level
  --sort-keys   write object members in ascending key order
  --fragment    accept any JSON value at the top level, not only an
                object or an array
  --help        show this text

Exit status: 0 on success; 1 when the input is not valid JSON (the error
trace goes to standard error, innermost cause first, one "code: description"
per line); 2 on a usage error or when the input cannot be read.
)";

struct Options {
    bool pretty = false;
    bool sortKeys = false;
    bool fragment = false;
    std::string path;
};

// The whole of `path` (standard input for "" or "-"), or none with errno set.
std::optional<std::string> readAll(const std::string& path)
{
    const bool standardInput = path.empty() || path == "-";
    std::FILE* file = standardInput ? stdin : std::fopen(path.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::string text;
    char chunk[65536];
    std::size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, count);
    const bool failed = std::ferror(file) != 0;
    const int readErrno = errno;
    if (!standardInput)
        std::fclose(file);
    if (failed) {
        errno = readErrno;
        return std::nullopt;
    }
    return text;
}

void printTrace(const json::ZQJsonBase& codec)
{
    if (const json::ZQJsonErrorTrace* trace = codec.errorTrace()) {
        for (const auto& error : *trace)
            std::fprintf(stderr, "%u: %s\n", error->code(), error->localizedDescription().c_str());
    }
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    bool pathGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
            return 0;
        }
        if (argument == "--pretty") {
            options.pretty = true;
        } else if (argument == "--sort-keys") {
            options.sortKeys = true;
        } else if (argument == "--fragment") {
            options.fragment = true;
        } else if (argument.size() > 1 && argument[0] == '-' && argument != "-") {
            std::fprintf(stderr, "vantry-json: unknown option %s\n\n%s", argv[i], kUsage.data());
            return kUsageOrInputError;
        } else if (pathGiven) {
            std::fprintf(stderr, "vantry-json: only one input file may be given\n");
            return kUsageOrInputError;
        } else {
            options.path = argument;
            pathGiven = true;
        }
    }

    errno = 0;
    const std::optional<std::string> text = readAll(options.path);
    if (!text) {
        const char* reason = errno != 0 ? std::strerror(errno) : "read error";
        std::fprintf(stderr, "vantry-json: cannot read %s: %s\n",
            options.path.empty() ? "standard input" : options.path.c_str(), reason);
        return kUsageOrInputError;
    }

    json::ZQJsonParser parser;
    parser.setReferencesInput(true);
    const std::optional<json::Document> value = parser.objectWithStringAllowScalar(*text, options.fragment);
    if (!value) {
        printTrace(parser);
        return kInvalidJson;
    }

    json::ZQJsonWriter writer;
    writer.setHumanReadable(options.pretty);
    writer.setSortKeys(options.sortKeys);
    const std::optional<std::string> output = writer.stringWithObjectAllowScalar(*value, options.fragment);
    if (!output) {
        printTrace(writer);
        return kInvalidJson;
    }
    std::fwrite(output->data(), 1, output->size(), stdout);
    std::fputc('\n', stdout);
    return std::fflush(stdout) == 0 ? 0 : kUsageOrInputError;
}
