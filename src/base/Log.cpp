#include "Log.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

namespace base {

namespace {
struct Log {
    std::mutex mutex;
    LogSink sink;
};

Log& theLog()
{
    static Log log;
    return log;
}
} // namespace

void log(std::string_view line)
{
    Log& log = theLog();
    const std::lock_guard lock(log.mutex);
    if (log.sink) {
        log.sink(line);
        return;
    }
    // One write for the line and its end, so another process's lines (or a
    // reader of the pipe) never see half a line.
    std::string whole(line);
    whole += '\n';
    std::fwrite(whole.data(), 1, whole.size(), stderr);
}

LogSink setLogSink(LogSink sink)
{
    Log& log = theLog();
    const std::lock_guard lock(log.mutex);
    return std::exchange(log.sink, std::move(sink));
}

} // namespace base
