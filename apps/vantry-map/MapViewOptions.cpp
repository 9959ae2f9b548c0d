#include "MapViewOptions.h"

#include "ArgumentValues.h"
#include "RMMapView.h"
#include "RMOpenStreetMapSource.h"

namespace {

template<typename Value> OptionRead assign(Value& field, const std::optional<Value>& parsed)
{
    if (!parsed)
        return OptionRead::Invalid;
    field = *parsed;
    return OptionRead::Read;
}

} // namespace

OptionRead readMapViewOption(
    MapViewOptions& options, const std::string& option, const std::string& value, std::string& error)
{
    if (option == "--center")
        return assign(options.center, parsePosition(value, error));
    if (option == "--zoom")
        return assign(options.zoom, parseZoom(value, error));
    if (option == "--size")
        return assign(options.size, parseSize(value, error));
    if (option == "--marker") {
        std::string_view picture;
        const auto at = parsePosition(value, error, &picture);
        if (!at)
            return OptionRead::Invalid;
        options.markers.push_back({ *at, std::string(picture) });
        return OptionRead::Read;
    }
    if (option == "--tile-host") {
        if (!isTileHost(value, error))
            return OptionRead::Invalid;
        options.tileHost = value;
        return OptionRead::Read;
    }
    return OptionRead::Unknown;
}

bool readOptions(const std::vector<std::string>& arguments, std::string& error, const OptionReader& read)
{
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        const std::string& option = arguments[i];
        if (i + 1 >= arguments.size()) {
            error = option.starts_with("--") ? option + " needs a value" : "unknown argument " + option;
            return false;
        }
        const OptionRead result = read(option, arguments[i + 1]);
        if (result == OptionRead::Unknown)
            error = "unknown argument " + option;
        if (result != OptionRead::Read)
            return false;
    }
    return true;
}

std::optional<MapViewOptions> parseWindowOptions(
    const std::vector<std::string>& arguments, std::string& error)
{
    MapViewOptions options;
    const bool read = readOptions(arguments, error, [&](const std::string& option, const std::string& value) {
        return readMapViewOption(options, option, value, error);
    });
    if (!read)
        return std::nullopt;
    return options;
}

std::shared_ptr<RMMapContents> createContents(RMMapView& view, const MapViewOptions& options)
{
    return RMMapContents::create(&view, std::make_shared<RMOpenStreetMapSource>(), options.center,
        options.zoom, RMMapContents::kDefaultMaxZoom, RMMapContents::kDefaultMinZoom, {});
}
