#include "LogCapture.h"

#include "Log.h"

#include <gtest/gtest.h>

namespace vantry::test {

LogCapture::LogCapture()
{
    base::setLogSink([this](std::string_view line) {
        const std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    });
}

LogCapture::~LogCapture()
{
    failOnUncapturedLog();
    for (const std::string& line : lines_)
        ADD_FAILURE() << "unexpected log line: " << line;
}

std::vector<std::string> LogCapture::take()
{
    const std::lock_guard lock(mutex_);
    return std::exchange(lines_, {});
}

void failOnUncapturedLog()
{
    base::setLogSink([](std::string_view line) { ADD_FAILURE() << "unexpected log line: " << line; });
}

} // namespace vantry::test
