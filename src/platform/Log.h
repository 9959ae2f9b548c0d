#pragma once

#include <fmt/format.h>

#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The program's log: one plain line per message, no levels. Lines go to
// stderr unless a sink is installed (tests capture them this way).
using LogSink = std::function<void(std::string_view line)>;

void log(std::string_view line);

template<typename... Args> void logf(fmt::format_string<Args...> format, Args&&... args)
{
    log(fmt::format(format, std::forward<Args>(args)...));
}

// Installs `sink` (or restores stderr when empty) and returns the previous one.
LogSink setLogSink(LogSink sink);

} // namespace platform
