#pragma once

#include <functional>
#include <string_view>

namespace server {

// The server's log: one plain line per message, written whole to stderr unless a sink is installed
// (tests capture the lines). Any thread may log; lines never interleave.
using LogSink = std::function<void(std::string_view line)>;

void log(std::string_view line);

// Installs `sink` (or restores stderr when empty) and returns the previous one.
LogSink setLogSink(LogSink sink);

} // namespace server
