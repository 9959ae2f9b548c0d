#include "GameOptions.h"

#include "ArgumentValues.h"
#include "MapViewOptions.h"

#include <charconv>

namespace {

constexpr std::size_t kLongestPlayerKey = 256;

std::optional<int> parsePort(std::string_view text)
{
    int port = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (failure != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

// A host name or address: no scheme, path, port or blank.
bool isHostName(std::string_view text)
{
    if (text.empty() || text.size() > 253)
        return false;
    for (const char c : text) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != '-' && c != '.' && c != '_')
            return false;
    }
    return true;
}

// The key goes into the request as it is, between double quotes: printable
// ASCII without a quote or backslash keeps the body valid.
bool isPlayerKey(std::string_view text)
{
    if (text.empty() || text.size() > kLongestPlayerKey)
        return false;
    for (const char c : text) {
        if (c < 0x21 || c > 0x7e || c == '"' || c == '\\')
            return false;
    }
    return true;
}

bool isPositionSpec(std::string_view text)
{
    if (text == "default" || text == "walker" || text.starts_with("walker:"))
        return true;
    return (text.starts_with("gpx:") && text.size() > 4) || (text.starts_with("nmea:") && text.size() > 5);
}

} // namespace

std::optional<GameOptions> parseGameOptions(const std::vector<std::string>& arguments, std::string& error)
{
    GameOptions options;
    // The one option without a value.
    std::vector<std::string> pairs;
    for (const std::string& argument : arguments) {
        if (argument == "--report")
            options.reportProgress = true;
        else
            pairs.push_back(argument);
    }
    const bool read = readOptions(pairs, error, [&](const std::string& option, const std::string& value) {
        if (option == "--position") {
            if (!isPositionSpec(value)) {
                error = "--position takes default, gpx:FILE, nmea:FILE or walker[:LAT,LON], not " + value;
                return OptionRead::Invalid;
            }
            options.position = value;
        } else if (option == "--speed") {
            const auto speed = parseNumber(value);
            if (!speed || *speed <= 0 || *speed > 1000) {
                error = "--speed takes a number above 0 and at most 1000, not " + value;
                return OptionRead::Invalid;
            }
            options.speed = *speed;
        } else if (option == "--size") {
            const auto size = parseSize(value, error);
            if (!size)
                return OptionRead::Invalid;
            options.size = *size;
        } else if (option == "--tile-host") {
            if (!isTileHost(value, error))
                return OptionRead::Invalid;
            options.tileHost = value;
        } else if (option == "--server") {
            if (!isHostName(value)) {
                error = "--server takes a host name or address (no scheme, port or path), not " + value;
                return OptionRead::Invalid;
            }
            options.server = value;
        } else if (option == "--play-port" || option == "--image-port") {
            const auto port = parsePort(value);
            if (!port) {
                error = option + " takes a port from 1 to 65535, not " + value;
                return OptionRead::Invalid;
            }
            (option == "--play-port" ? options.playPort : options.imagePort) = *port;
        } else if (option == "--ca-file") {
            options.caFile = value;
        } else if (option == "--player-key") {
            if (!isPlayerKey(value)) {
                error = "--player-key takes 1 to 256 printable characters without blanks, quotes or "
                        "backslashes";
                return OptionRead::Invalid;
            }
            options.playerKey = value;
        } else if (option == "--screenshot") {
            options.screenshot = value;
        } else if (option == "--after") {
            const auto after = parseNumber(value);
            if (!after || *after < 0) {
                error = "--after takes a number of seconds, not " + value;
                return OptionRead::Invalid;
            }
            options.after = *after;
        } else {
            return OptionRead::Unknown;
        }
        return OptionRead::Read;
    });
    if (!read)
        return std::nullopt;
    if (options.screenshot.empty() == options.after.has_value()) {
        error = "--screenshot and --after go together";
        return std::nullopt;
    }
    return options;
}
