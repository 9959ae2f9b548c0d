#pragma once

#include "Clock.h"

#include <memory>

class QTimer;

namespace platform {

// The real clock: wall-clock time taken once at start and advanced by the
// monotonic clock (so it never jumps), with timers fired from the Qt event
// loop of the main thread.
class SystemClock final : public Clock {
public:
    // The one system clock; lives until the process ends.
    static SystemClock& instance();

    double now() const override;

private:
    SystemClock();
    ~SystemClock() override;
    void scheduleChanged() override;
    void fireDueTimers();

    double startWallTime_;
    double startSteadyTime_;
    std::unique_ptr<QTimer> wakeUp_;
};

} // namespace platform
