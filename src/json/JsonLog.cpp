#include "JsonLog.h"

#include <cstdio>

namespace json {

namespace {
LogSink& currentSink()
{
    static LogSink sink;
    return sink;
}
} // namespace

void log(std::string_view line)
{
    if (const LogSink& sink = currentSink()) {
        sink(line);
        return;
    }
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}

LogSink setLogSink(LogSink sink)
{
    LogSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

} // namespace json
