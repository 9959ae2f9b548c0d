#include "SnapshotOptions.h"

#include "ArgumentValues.h"

std::optional<SnapshotOptions> parseSnapshotOptions(
    const std::vector<std::string>& arguments, std::string& error)
{
    SnapshotOptions options;
    bool hasCenter = false;
    bool hasZoom = false;
    bool hasSize = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (i + 1 >= arguments.size()) {
            error = option.starts_with("--") ? option + " needs a value" : "unknown argument " + option;
            return std::nullopt;
        }
        const std::string& value = arguments[++i];
        if (option == "--center") {
            const auto center = parsePosition(value, error);
            if (!center)
                return std::nullopt;
            options.center = *center;
            hasCenter = true;
        } else if (option == "--zoom") {
            const auto zoom = parseZoom(value, error);
            if (!zoom)
                return std::nullopt;
            options.zoom = *zoom;
            hasZoom = true;
        } else if (option == "--size") {
            const auto parsed = parseSize(value, error);
            if (!parsed)
                return std::nullopt;
            options.size = *parsed;
            hasSize = true;
        } else if (option == "--out") {
            options.out = value;
        } else if (option == "--marker") {
            std::string_view picture;
            const auto at = parsePosition(value, error, &picture);
            if (!at)
                return std::nullopt;
            if (picture.empty()) {
                error = "a marker is LATITUDE,LONGITUDE,PICTURE, not \"" + value + "\"";
                return std::nullopt;
            }
            options.markers.push_back({ *at, std::string(picture) });
        } else if (option == "--tile-host") {
            if (!isTileHost(value, error))
                return std::nullopt;
            options.tileHost = value;
        } else if (option == "--timeout") {
            const auto seconds = parseNumber(value);
            if (!seconds || *seconds <= 0) {
                error = "the time-out is a positive number of seconds, not \"" + value + "\"";
                return std::nullopt;
            }
            options.timeout = *seconds;
        } else {
            error = "unknown argument " + option;
            return std::nullopt;
        }
    }
    if (!hasCenter || !hasZoom || !hasSize || options.out.empty()) {
        error = "--center, --zoom, --size and --out are required";
        return std::nullopt;
    }
    return options;
}
