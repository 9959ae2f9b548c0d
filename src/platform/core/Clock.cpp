#include "Clock.h"

#include "SystemClock.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// Like the platform's timers: a zero or negative interval means 0.1 ms.
constexpr double kMinimumInterval = 0.0001;

Clock*& installedClock()
{
    static Clock* clock = nullptr;
    return clock;
}

} // namespace

Clock::~Clock()
{
    for (auto& [key, record] : schedule_) {
        record->clock = nullptr;
        record->valid = false;
    }
}

Clock& Clock::current()
{
    if (Clock* clock = installedClock())
        return *clock;
    return SystemClock::instance();
}

Clock* Clock::install(Clock* clock)
{
    return std::exchange(installedClock(), clock);
}

std::shared_ptr<Clock::TimerRecord> Clock::schedule(
    double interval, bool repeats, std::function<void()> callback)
{
    auto record = std::make_shared<TimerRecord>();
    record->clock = this;
    record->interval = std::isfinite(interval) ? std::max(interval, kMinimumInterval) : kMinimumInterval;
    record->repeats = repeats;
    record->callback = std::move(callback);
    record->start = now();
    record->firings = 0;
    record->due = record->start + record->interval;
    record->valid = true;
    insert(record);
    scheduleChanged();
    return record;
}

void Clock::insert(const std::shared_ptr<TimerRecord>& record)
{
    record->sequence = nextSequence_++;
    schedule_.emplace(Key { record->due, record->sequence }, record);
}

void Clock::invalidate(TimerRecord& record)
{
    if (!record.valid)
        return;
    record.valid = false;
    if (record.running == 0)
        record.callback = nullptr;
    if (Clock* clock = record.clock) {
        clock->schedule_.erase(Key { record.due, record.sequence });
        clock->scheduleChanged();
    }
}

std::optional<double> Clock::nextDueTime() const
{
    if (schedule_.empty())
        return std::nullopt;
    return schedule_.begin()->first.first;
}

bool Clock::fireNextTimerDueBy(double time)
{
    if (schedule_.empty() || schedule_.begin()->first.first > time)
        return false;
    // The record stays alive through its callback even if the callback
    // destroys the last handle.
    std::shared_ptr<TimerRecord> record = std::move(schedule_.begin()->second);
    schedule_.erase(schedule_.begin());
    if (record->repeats) {
        // Multiplying from the start keeps due times free of summed rounding.
        const double current = now();
        record->firings += 1;
        double due = record->start + static_cast<double>(record->firings + 1) * record->interval;
        if (due <= current) {
            record->firings
                = static_cast<std::uint64_t>(std::floor((current - record->start) / record->interval));
            due = record->start + static_cast<double>(record->firings + 1) * record->interval;
        }
        record->due = due;
        insert(record);
    } else {
        record->valid = false;
    }
    scheduleChanged();

    record->running += 1;
    record->callback();
    record->running -= 1;
    if (record->running == 0 && !record->valid)
        record->callback = nullptr;
    return true;
}

} // namespace platform
