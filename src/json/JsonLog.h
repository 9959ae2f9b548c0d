#pragma once

#include <functional>
#include <string_view>

namespace json {

// The codec's own log, independent of the platform: one plain line per message, written to stderr
// unless a sink is installed (a program may forward the lines to its own log; tests capture them).
using LogSink = std::function<void(std::string_view line)>;

void log(std::string_view line);

// Installs `sink` (or restores stderr when empty) and returns the previous one.
LogSink setLogSink(LogSink sink);

} // namespace json
