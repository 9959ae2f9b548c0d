#include "Timer.h"
#include "ManualClock.h"
#include "RunLoop.h"
#include "SystemClock.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

using platform::Clock;
using platform::Timer;
using vantry::test::ManualClock;

TEST(ManualClock, IsTheCurrentClockWhileItLives)
{
    {
        ManualClock clock(1000);
        EXPECT_EQ(&Clock::current(), &clock);
        EXPECT_EQ(Clock::current().now(), 1000);
        clock.advance(2.5);
        EXPECT_EQ(Clock::current().now(), 1002.5);
    }
    EXPECT_EQ(&Clock::current(), &platform::SystemClock::instance());
}

TEST(Timer, OneShotFiresOnceWhenDue)
{
    ManualClock clock;
    int fired = 0;
    Timer timer = Timer::scheduledTimer(0.3, false, [&] { ++fired; });
    EXPECT_TRUE(timer.isValid());
    EXPECT_DOUBLE_EQ(timer.fireDate(), 0.3);
    clock.advance(0.29);
    EXPECT_EQ(fired, 0);
    clock.advance(0.01);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(timer.isValid());
    clock.advance(10);
    EXPECT_EQ(fired, 1);
}

TEST(Timer, RepeatingFiresOncePerIntervalAtItsDueTimes)
{
    ManualClock clock(100);
    std::vector<double> times;
    Timer timer = Timer::scheduledTimer(0.1, true, [&] { times.push_back(Clock::current().now()); });
    clock.advance(0.3);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_DOUBLE_EQ(times[0], 100.1);
    EXPECT_DOUBLE_EQ(times[1], 100.2);
    EXPECT_DOUBLE_EQ(times[2], 100.3);
    for (int i = 0; i < 70; ++i)
        clock.advance(0.01);
    EXPECT_EQ(times.size(), 10u);
    EXPECT_TRUE(timer.isValid());
}

TEST(Timer, TimersFireInDueOrderAcrossOneAdvanceWithThoseTheyScheduled)
{
    ManualClock clock;
    std::vector<std::pair<int, double>> fired;
    const auto record = [&](int id) { fired.emplace_back(id, clock.now()); };
    Timer scheduled;
    Timer late = Timer::scheduledTimer(0.5, false, [&] { record(3); });
    Timer early = Timer::scheduledTimer(0.1, false, [&] {
        record(1);
        scheduled = Timer::scheduledTimer(2, false, [&] { record(4); });
    });
    Timer middle = Timer::scheduledTimer(0.25, false, [&] { record(2); });
    clock.advance(5);
    EXPECT_EQ(
        fired, (std::vector<std::pair<int, double>> { { 1, 0.1 }, { 2, 0.25 }, { 3, 0.5 }, { 4, 2.1 } }));
    EXPECT_EQ(clock.now(), 5);
}

TEST(Timer, DestroyingTheHandleAtOnceOrInvalidatingItCancels)
{
    ManualClock clock;
    int fired = 0;
    (void)Timer::scheduledTimer(0.1, false, [&] { ++fired; });
    {
        Timer repeating = Timer::scheduledTimer(0.1, true, [&] { ++fired; });
    }
    clock.advance(1);
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(clock.pendingTimerCount(), 0u);

    Timer timer = Timer::scheduledTimer(0.1, true, [&] { ++fired; });
    clock.advance(0.15);
    timer.invalidate();
    EXPECT_FALSE(timer.isValid());
    EXPECT_EQ(timer.fireDate(), 0);
    clock.advance(1);
    EXPECT_EQ(fired, 1);
}

TEST(Timer, CallbackMayInvalidateItsOwnRepeatingTimer)
{
    ManualClock clock;
    int fired = 0;
    Timer timer;
    timer = Timer::scheduledTimer(0.1, true, [&] {
        if (++fired == 3)
            timer.invalidate();
    });
    clock.advance(1);
    EXPECT_EQ(fired, 3);
}

TEST(Timer, CallbackMayDestroyTheOwnerOfItsTimer)
{
    struct Owner {
        Timer timer;
        int* fired;
    };
    ManualClock clock;
    int fired = 0;
    auto owner = std::make_unique<Owner>();
    owner->fired = &fired;
    owner->timer = Timer::scheduledTimer(0.1, true, [&owner] {
        ++*owner->fired;
        owner.reset();
    });
    clock.advance(1);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(owner, nullptr);
}

TEST(Timer, ReplacingTheHandleCancelsTheOldTimer)
{
    ManualClock clock;
    std::vector<int> fired;
    Timer timer = Timer::scheduledTimer(0.3, false, [&] { fired.push_back(1); });
    clock.advance(0.2);
    // Re-arming, as a delayed call that is cancelled and requested again.
    timer = Timer::scheduledTimer(0.3, false, [&] { fired.push_back(2); });
    clock.advance(0.2);
    EXPECT_TRUE(fired.empty());
    clock.advance(0.1);
    EXPECT_EQ(fired, (std::vector<int> { 2 }));
}

TEST(Timer, ZeroIntervalIsATenthOfAMillisecond)
{
    ManualClock clock;
    int fired = 0;
    Timer timer = Timer::scheduledTimer(0, true, [&] { ++fired; });
    EXPECT_DOUBLE_EQ(timer.timeInterval(), 0.0001);
    clock.advance(0.001);
    EXPECT_EQ(fired, 10);
}

TEST(Timer, OutlivingItsClockIsHarmless)
{
    Timer timer;
    {
        ManualClock clock;
        timer = Timer::scheduledTimer(1, false, [] { FAIL() << "fired after its clock ended"; });
    }
    EXPECT_FALSE(timer.isValid());
    timer.invalidate();
}

TEST(SystemClock, FiresTimersFromTheEventLoopInSecondsSince1970)
{
    const double start = platform::SystemClock::instance().now();
    EXPECT_GT(start, 1.6e9); // later than 2020
    EXPECT_LT(start, 4.1e9); // earlier than 2100
    std::optional<double> firedAt;
    Timer timer
        = Timer::scheduledTimer(0.02, false, [&] { firedAt = platform::SystemClock::instance().now(); });
    ASSERT_TRUE(platform::RunLoop::runUntil([&] { return firedAt.has_value(); }, 10));
    EXPECT_GE(*firedAt - start, 0.02);
}
