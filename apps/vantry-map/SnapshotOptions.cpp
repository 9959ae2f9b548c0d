#include "SnapshotOptions.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace {

// The Mercator map stops short of the poles.
constexpr double kLargestLatitude = 85.0511;
constexpr float kLargestSide = 8192;

std::optional<double> number(std::string_view text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// "LAT,LON" at the start of `text`; `rest` gets what follows a third comma.
std::optional<RMLatLong> position(std::string_view text, std::string& error, std::string_view* rest = nullptr)
{
    const std::size_t first = text.find(',');
    const std::size_t second = first == std::string_view::npos ? first : text.find(',', first + 1);
    const std::string_view latitudeText = text.substr(0, first);
    const std::string_view longitudeText = first == std::string_view::npos
        ? std::string_view()
        : text.substr(
            first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1);
    if (rest)
        *rest = second == std::string_view::npos ? std::string_view() : text.substr(second + 1);
    const auto latitude = number(latitudeText);
    const auto longitude = number(longitudeText);
    if (!latitude || !longitude || (!rest && second != std::string_view::npos)) {
        error = "a position is LATITUDE,LONGITUDE in decimal degrees, not \"" + std::string(text) + "\"";
        return std::nullopt;
    }
    if (std::abs(*latitude) > kLargestLatitude || std::abs(*longitude) > 180) {
        error = "latitudes lie within ±85.0511 and longitudes within ±180 degrees, not \"" + std::string(text)
            + "\"";
        return std::nullopt;
    }
    return RMLatLong { *latitude, *longitude };
}

std::optional<CGSize> size(std::string_view text, std::string& error)
{
    const std::size_t by = text.find('x');
    const auto width = number(text.substr(0, by));
    const auto height = by == std::string_view::npos ? std::nullopt : number(text.substr(by + 1));
    if (!width || !height || *width < 1 || *height < 1 || *width > kLargestSide || *height > kLargestSide
        || *width != std::floor(*width) || *height != std::floor(*height)) {
        error = "the size is WIDTHxHEIGHT in whole pixels from 1 to 8192, not \"" + std::string(text) + "\"";
        return std::nullopt;
    }
    return CGSizeMake(static_cast<float>(*width), static_cast<float>(*height));
}

} // namespace

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
            const auto center = position(value, error);
            if (!center)
                return std::nullopt;
            options.center = *center;
            hasCenter = true;
        } else if (option == "--zoom") {
            const auto zoom = number(value);
            if (!zoom || *zoom < 1 || *zoom > 16) {
                error = "the zoom is a number from 1 to 16, not \"" + value + "\"";
                return std::nullopt;
            }
            options.zoom = static_cast<float>(*zoom);
            hasZoom = true;
        } else if (option == "--size") {
            const auto parsed = size(value, error);
            if (!parsed)
                return std::nullopt;
            options.size = *parsed;
            hasSize = true;
        } else if (option == "--out") {
            options.out = value;
        } else if (option == "--marker") {
            std::string_view picture;
            const auto at = position(value, error, &picture);
            if (!at)
                return std::nullopt;
            if (picture.empty()) {
                error = "a marker is LATITUDE,LONGITUDE,PICTURE, not \"" + value + "\"";
                return std::nullopt;
            }
            options.markers.push_back({ *at, std::string(picture) });
        } else if (option == "--tile-host") {
            if (value.empty() || value.find('/') != std::string::npos) {
                error = "the tile host is HOST or HOST:PORT, not \"" + value + "\"";
                return std::nullopt;
            }
            options.tileHost = value;
        } else if (option == "--timeout") {
            const auto seconds = number(value);
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
