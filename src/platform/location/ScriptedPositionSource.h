#pragma once

#include "PositionSource.h"

#include <string>

namespace platform {

// A position source that delivers what its script says, when it says it:
// for tests and demonstrations. Fixes and failures go to the handler at
// once, started or not.
class ScriptedPositionSource final : public PositionSource {
public:
    void start() override { started_ = true; }
    void stop() override { started_ = false; }
    // True until setAvailable(false).
    bool isAvailable() const override { return available_; }
    std::string description() const override { return "scripted positions"; }

    void sendLocation(const Location& location) { deliver(location); }
    void sendFailure(const std::string& error) { fail(error); }
    void setAvailable(bool available) { available_ = available; }
    bool isStarted() const { return started_; }

private:
    bool started_ = false;
    bool available_ = true;
};

} // namespace platform
