#include "ManualClock.h"

#include <algorithm>
#include <cmath>

namespace vantry::test {

ManualClock::ManualClock(double start)
    : now_(start)
    , previous_(install(this))
{ }

ManualClock::~ManualClock()
{
    install(previous_);
}

void ManualClock::advance(double seconds)
{
    const double target = now_ + std::max(seconds, 0.0);
    // Sums such as 0.1 + 0.1 + 0.1 land a hair past 0.3: a timer due within
    // a few units of the last place still belongs to this advance.
    const double slack = 1e-9 + std::abs(target) * 1e-15;
    while (const std::optional<double> due = nextDueTime()) {
        if (*due > target + slack)
            break;
        now_ = std::max(now_, *due);
        fireNextTimerDueBy(*due);
    }
    now_ = std::max(now_, target);
}

} // namespace vantry::test
