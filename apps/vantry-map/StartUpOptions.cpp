#include "StartUpOptions.h"

#include "ArgumentValues.h"

std::optional<StartUpOptions> parseStartUpOptions(
    const std::vector<std::string>& arguments, std::string& error)
{
    StartUpOptions options;
    const bool read = readOptions(arguments, error, [&](const std::string& option, const std::string& value) {
        const OptionRead result = readMapViewOption(options.map, option, value, error);
        if (result != OptionRead::Unknown || option != "--timeout")
            return result;
        const auto seconds = parseTimeout(value, error);
        if (!seconds)
            return OptionRead::Invalid;
        options.timeout = *seconds;
        return OptionRead::Read;
    });
    if (!read)
        return std::nullopt;
    return options;
}
