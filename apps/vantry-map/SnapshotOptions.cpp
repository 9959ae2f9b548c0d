#include "SnapshotOptions.h"

#include "ArgumentValues.h"

#include <functional>
#include <set>

namespace {

// The snapshot's own options.
OptionRead readSnapshotOption(
    SnapshotOptions& options, const std::string& option, const std::string& value, std::string& error)
{
    if (option == "--out") {
        options.out = value;
        return OptionRead::Read;
    }
    if (option == "--timeout") {
        const auto seconds = parseNumber(value);
        if (!seconds || *seconds <= 0) {
            error = "the time-out is a positive number of seconds, not \"" + value + "\"";
            return OptionRead::Invalid;
        }
        options.timeout = *seconds;
        return OptionRead::Read;
    }
    return OptionRead::Unknown;
}

} // namespace

std::optional<SnapshotOptions> parseSnapshotOptions(
    const std::vector<std::string>& arguments, std::string& error)
{
    SnapshotOptions options;
    std::set<std::string, std::less<>> given;
    const bool read = readOptions(arguments, error, [&](const std::string& option, const std::string& value) {
        OptionRead result = readMapViewOption(options.map, option, value, error);
        // A snapshot has no pin of its own: every marker names its picture.
        if (result == OptionRead::Read && option == "--marker"
            && options.map.markers.back().picture.empty()) {
            error = "a marker is LATITUDE,LONGITUDE,PICTURE, not \"" + value + "\"";
            return OptionRead::Invalid;
        }
        if (result == OptionRead::Unknown)
            result = readSnapshotOption(options, option, value, error);
        if (result == OptionRead::Read)
            given.insert(option);
        return result;
    });
    if (!read)
        return std::nullopt;
    if (!given.contains("--center") || !given.contains("--zoom") || !given.contains("--size")
        || options.out.empty()) {
        error = "--center, --zoom, --size and --out are required";
        return std::nullopt;
    }
    return options;
}
