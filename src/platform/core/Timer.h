#pragma once

#include "Clock.h"

#include <functional>
#include <memory>

namespace platform {

// A one-shot or repeating timer on the current Clock, owned through this
// handle. Destroying or invalidating the handle cancels the timer: its
// callback never runs afterwards. The callback may invalidate or destroy its
// own timer, or the object that owns it. A cancellable delayed call is a
// one-shot timer. Main thread only.
class Timer {
public:
    using Callback = std::function<void()>;

    // No timer.
    Timer() = default;
    // Fires `interval` seconds from now, then, if `repeats`, every
    // `interval` seconds until invalidated. Intervals below 0.1 ms are 0.1 ms.
    [[nodiscard]] static Timer scheduledTimer(double interval, bool repeats, Callback callback);

    ~Timer();
    Timer(Timer&& other) noexcept = default;
    Timer& operator=(Timer&& other) noexcept;
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void invalidate();
    // Whether the timer will still fire: false once invalidated, after a
    // one-shot timer fired, or for a default-constructed handle.
    bool isValid() const;
    double timeInterval() const;
    bool repeats() const;
    // When the timer fires next (seconds since 1970); 0 when not valid.
    double fireDate() const;

private:
    explicit Timer(std::shared_ptr<Clock::TimerRecord> record)
        : record_(std::move(record))
    { }

    std::shared_ptr<Clock::TimerRecord> record_;
};

} // namespace platform
