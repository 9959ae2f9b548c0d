#include "JsonLogCapture.h"

#include "JsonLog.h"

#include <gtest/gtest.h>

namespace vantry::test {

JsonLogCapture::JsonLogCapture()
{
    json::setLogSink([this](std::string_view line) { lines_.emplace_back(line); });
}

JsonLogCapture::~JsonLogCapture()
{
    json::setLogSink([](std::string_view line) { ADD_FAILURE() << "unexpected JSON log line: " << line; });
    for (const std::string& line : lines_)
        ADD_FAILURE() << "unexpected JSON log line: " << line;
}

std::vector<std::string> JsonLogCapture::take()
{
    return std::exchange(lines_, {});
}

} // namespace vantry::test
