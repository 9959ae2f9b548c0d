#pragma once

#include <fmt/format.h>

#include <functional>
#include <string_view>

namespace base {

// The program's one log: one plain line per message, no levels. Lines go to
// stderr unless a sink is installed (tests capture them this way). Any thread
// may log: each call writes its whole line at once, so lines never interleave,
// and the sink is called for one line at a time.
using LogSink = std::function<void(std::string_view line)>;

void log(std::string_view line);

template<typename... Args> void logf(fmt::format_string<Args...> format, Args&&... args)
{
    log(fmt::format(format, std::forward<Args>(args)...));
}

// Installs `sink` (or restores stderr when empty) and returns the previous one.
// The sink must not log itself.
LogSink setLogSink(LogSink sink);

} // namespace base
