#pragma once

#include <string>
#include <vector>

namespace vantry::test {

// Collects the JSON codec's log while it lives. Every line must be taken by the test; lines left
// over fail the test when the capture ends, and so does any line logged after a capture has ended.
class JsonLogCapture {
public:
    JsonLogCapture();
    ~JsonLogCapture();
    JsonLogCapture(const JsonLogCapture&) = delete;
    JsonLogCapture& operator=(const JsonLogCapture&) = delete;

    // The lines logged since the last call, oldest first.
    std::vector<std::string> take();

private:
    std::vector<std::string> lines_;
};

} // namespace vantry::test
