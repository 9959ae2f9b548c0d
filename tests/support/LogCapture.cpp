#include "LogCapture.h"

#include "Log.h"

#include <gtest/gtest.h>

namespace vantry::test {

LogCapture::LogCapture()
{
    platform::setLogSink([this](std::string_view line) { lines_.emplace_back(line); });
}

LogCapture::~LogCapture()
{
    failOnUncapturedLog();
    for (const std::string& line : lines_)
        ADD_FAILURE() << "unexpected log line: " << line;
}

std::vector<std::string> LogCapture::take()
{
    return std::exchange(lines_, {});
}

void failOnUncapturedLog()
{
    platform::setLogSink([](std::string_view line) { ADD_FAILURE() << "unexpected log line: " << line; });
}

} // namespace vantry::test
