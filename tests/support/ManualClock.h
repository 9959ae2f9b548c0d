#pragma once

#include "Clock.h"

namespace vantry::test {

// A clock that moves only when the test says so. While it lives it is the
// program's current clock; the clock that was current before comes back
// when it is destroyed. Timers still scheduled on it then never fire.
class ManualClock final : public platform::Clock {
public:
    explicit ManualClock(double start = 0);
    ~ManualClock() override;

    double now() const override { return now_; }

    // Moves time forward by `seconds`, firing every timer that falls due on
    // the way in time order, each with now() at its due time; timers that
    // callbacks schedule during the advance fire too if they fall due in it,
    // and repeating timers fire once per interval.
    void advance(double seconds);

    // The number of timers waiting to fire.
    std::size_t pendingTimerCount() const { return scheduledTimerCount(); }

private:
    double now_;
    Clock* previous_;
};

} // namespace vantry::test
