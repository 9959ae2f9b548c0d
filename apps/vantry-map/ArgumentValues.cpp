#include "ArgumentValues.h"

#include <charconv>
#include <cmath>

namespace {

// The Mercator map stops short of the poles.
constexpr double kLargestLatitude = 85.0511;
constexpr float kLargestSide = 8192;

} // namespace

std::optional<double> parseNumber(std::string_view text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<RMLatLong> parsePosition(std::string_view text, std::string& error, std::string_view* rest)
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
    const auto latitude = parseNumber(latitudeText);
    const auto longitude = parseNumber(longitudeText);
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

std::optional<CGSize> parseSize(std::string_view text, std::string& error)
{
    const std::size_t by = text.find('x');
    const auto width = parseNumber(text.substr(0, by));
    const auto height = by == std::string_view::npos ? std::nullopt : parseNumber(text.substr(by + 1));
    if (!width || !height || *width < 1 || *height < 1 || *width > kLargestSide || *height > kLargestSide
        || *width != std::floor(*width) || *height != std::floor(*height)) {
        error = "the size is WIDTHxHEIGHT in whole pixels from 1 to 8192, not \"" + std::string(text) + "\"";
        return std::nullopt;
    }
    return CGSizeMake(static_cast<float>(*width), static_cast<float>(*height));
}

std::optional<float> parseZoom(std::string_view text, std::string& error)
{
    const auto zoom = parseNumber(text);
    if (!zoom || *zoom < 1 || *zoom > 16) {
        error = "the zoom is a number from 1 to 16, not \"" + std::string(text) + "\"";
        return std::nullopt;
    }
    return static_cast<float>(*zoom);
}

bool isTileHost(std::string_view text, std::string& error)
{
    const std::string_view host = text.starts_with("https://") ? text.substr(8) : text;
    if (host.empty() || host.find('/') != std::string_view::npos) {
        error = "the tile host is HOST, HOST:PORT or https://HOST, not \"" + std::string(text) + "\"";
        return false;
    }
    return true;
}
