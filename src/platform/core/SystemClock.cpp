#include "SystemClock.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace platform {

namespace {

double secondsOf(auto duration)
{
    return std::chrono::duration<double>(duration).count();
}

} // namespace

SystemClock& SystemClock::instance()
{
    // Never destroyed: timers may be cancelled during static destruction.
    static SystemClock* clock = new SystemClock;
    return *clock;
}

SystemClock::SystemClock()
    : startWallTime_(secondsOf(std::chrono::system_clock::now().time_since_epoch()))
    , startSteadyTime_(secondsOf(std::chrono::steady_clock::now().time_since_epoch()))
{ }

SystemClock::~SystemClock() = default;

double SystemClock::now() const
{
    return startWallTime_
        + (secondsOf(std::chrono::steady_clock::now().time_since_epoch()) - startSteadyTime_);
}

void SystemClock::scheduleChanged()
{
    const std::optional<double> due = nextDueTime();
    if (!due) {
        if (wakeUp_)
            wakeUp_->stop();
        return;
    }
    if (!wakeUp_) {
        wakeUp_ = std::make_unique<QTimer>();
        wakeUp_->setSingleShot(true);
        wakeUp_->setTimerType(Qt::PreciseTimer);
        QObject::connect(wakeUp_.get(), &QTimer::timeout, [this] { fireDueTimers(); });
    }
    const double milliseconds = std::ceil((*due - now()) * 1000.0);
    wakeUp_->start(static_cast<int>(std::clamp(milliseconds, 0.0, 1e9)));
}

void SystemClock::fireDueTimers()
{
    // Only what was due when the wake-up came: a timer that reschedules
    // itself inside the loop waits for the next wake-up.
    const double time = now();
    while (fireNextTimerDueBy(time)) { }
    scheduleChanged();
}

} // namespace platform
