#include "ServerLogCapture.h"

#include "ServerLog.h"

#include <gtest/gtest.h>

namespace vantry::test {

namespace {
void failOnLine(std::string_view line)
{
    ADD_FAILURE() << "unexpected server log line: " << line;
}

// Outside a capture, any server log line fails the running test.
class FailOnServerLog : public ::testing::Environment {
public:
    void SetUp() override { server::setLogSink(failOnLine); }
};

[[maybe_unused]] const ::testing::Environment* const failOnServerLog
    = ::testing::AddGlobalTestEnvironment(new FailOnServerLog);
} // namespace

ServerLogCapture::ServerLogCapture()
{
    server::setLogSink([this](std::string_view line) {
        const std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    });
}

ServerLogCapture::~ServerLogCapture()
{
    server::setLogSink(failOnLine);
    for (const std::string& line : lines_)
        ADD_FAILURE() << "unexpected server log line: " << line;
}

std::vector<std::string> ServerLogCapture::take()
{
    const std::lock_guard lock(mutex_);
    return std::exchange(lines_, {});
}

} // namespace vantry::test
