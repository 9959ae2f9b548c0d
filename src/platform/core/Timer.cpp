#include "Timer.h"

namespace platform {

Timer Timer::scheduledTimer(double interval, bool repeats, Callback callback)
{
    return Timer(Clock::current().schedule(interval, repeats, std::move(callback)));
}

Timer::~Timer()
{
    invalidate();
}

Timer& Timer::operator=(Timer&& other) noexcept
{
    if (this != &other) {
        invalidate();
        record_ = std::move(other.record_);
    }
    return *this;
}

void Timer::invalidate()
{
    if (record_)
        Clock::invalidate(*record_);
}

bool Timer::isValid() const
{
    return record_ && record_->valid;
}

double Timer::timeInterval() const
{
    return record_ ? record_->interval : 0;
}

bool Timer::repeats() const
{
    return record_ && record_->repeats;
}

double Timer::fireDate() const
{
    return isValid() ? record_->due : 0;
}

} // namespace platform
