#include "WindowOptions.h"

#include "ArgumentValues.h"

std::optional<WindowOptions> parseWindowOptions(const std::vector<std::string>& arguments, std::string& error)
{
    WindowOptions options;
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
        } else if (option == "--zoom") {
            const auto zoom = parseZoom(value, error);
            if (!zoom)
                return std::nullopt;
            options.zoom = *zoom;
        } else if (option == "--size") {
            const auto size = parseSize(value, error);
            if (!size)
                return std::nullopt;
            options.size = *size;
        } else if (option == "--marker") {
            std::string_view picture;
            const auto at = parsePosition(value, error, &picture);
            if (!at)
                return std::nullopt;
            options.markers.push_back({ *at, std::string(picture) });
        } else if (option == "--tile-host") {
            if (!isTileHost(value, error))
                return std::nullopt;
            options.tileHost = value;
        } else {
            error = "unknown argument " + option;
            return std::nullopt;
        }
    }
    return options;
}
