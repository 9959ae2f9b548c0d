#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace platform {

// The program's time source and timer schedule. All time-driven behaviour
// (timers, delayed calls, animations, last-use dates) reads this clock, so a
// test can install a clock of its own and move time by hand.
//
// Times are seconds since 1970-01-01 00:00 UTC. Main thread only.
class Clock {
public:
    virtual ~Clock();
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;

    // The current time; never goes backwards.
    virtual double now() const = 0;

    // The clock in use: the system clock unless another is installed.
    static Clock& current();

    // What the schedule knows of one timer. Timer handles share it with the
    // schedule; nothing else should touch it.
    struct TimerRecord {
        Clock* clock = nullptr;
        double interval = 0;
        bool repeats = false;
        std::function<void()> callback;
        double start = 0;
        std::uint64_t firings = 0;
        double due = 0;
        std::uint64_t sequence = 0;
        bool valid = false;
        int running = 0; // callbacks of this record in progress
    };

    // Puts a new record on this clock's schedule, due `interval` seconds
    // from now.
    std::shared_ptr<TimerRecord> schedule(double interval, bool repeats, std::function<void()> callback);
    // Takes a record off the schedule for good; its callback never runs again.
    static void invalidate(TimerRecord& record);

protected:
    Clock() = default;

    // Makes `clock` the current clock (null: the system clock) and returns
    // the clock that was current before.
    static Clock* install(Clock* clock);

    // The earliest due time on the schedule.
    std::optional<double> nextDueTime() const;
    // Runs the earliest timer if it is due at `time`; returns whether one ran.
    // A repeating timer is due again one interval after its last due time,
    // or at the first multiple of its interval after now() if it fell behind.
    bool fireNextTimerDueBy(double time);
    std::size_t scheduledTimerCount() const { return schedule_.size(); }

    // The earliest due time may have changed.
    virtual void scheduleChanged() { }

private:
    using Key = std::pair<double, std::uint64_t>;
    void insert(const std::shared_ptr<TimerRecord>& record);

    std::map<Key, std::shared_ptr<TimerRecord>> schedule_;
    std::uint64_t nextSequence_ = 0;
};

} // namespace platform
