#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace vantry::test {

// Collects the server's log while it lives (lines may come from any thread). Every line must be
// taken by the test; lines left over fail the test when the capture ends, and so does any line
// logged outside a capture.
class ServerLogCapture {
public:
    ServerLogCapture();
    ~ServerLogCapture();
    ServerLogCapture(const ServerLogCapture&) = delete;
    ServerLogCapture& operator=(const ServerLogCapture&) = delete;

    // The lines logged since the last call, oldest first.
    std::vector<std::string> take();

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

} // namespace vantry::test
