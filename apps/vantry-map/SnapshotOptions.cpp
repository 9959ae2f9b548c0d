#include "SnapshotOptions.h"

#include "ArgumentValues.h"

#include <fmt/format.h>

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
        const auto seconds = parseTimeout(value, error);
        if (!seconds)
            return OptionRead::Invalid;
        options.timeout = *seconds;
        return OptionRead::Read;
    }
    if (option == "--scale") {
        const auto scale = parseScale(value, error);
        if (!scale)
            return OptionRead::Invalid;
        options.scale = *scale;
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
    const CGSize pixels = options.pixelSize();
    if (pixels.width > SnapshotOptions::kLargestPicture || pixels.height > SnapshotOptions::kLargestPicture) {
        error = fmt::format("the picture would be {:g}x{:g} pixels; at most {} a side", pixels.width,
            pixels.height, SnapshotOptions::kLargestPicture);
        return std::nullopt;
    }
    return options;
}
