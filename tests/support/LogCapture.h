#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace vantry::test {

// Collects the program's log while it lives; lines may come from any thread.
// Every line must be taken by the test; lines left over fail the test when
// the capture ends. Outside a capture, any logged line fails the running test.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The lines logged since the last call, oldest first.
    std::vector<std::string> take();

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Installs the sink that reports stray log lines as test failures.
void failOnUncapturedLog();

} // namespace vantry::test
