#include "BackgroundQueue.h"
#include "RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(BackgroundQueueTest, WorkRunsOffTheMainThreadAndItsCompletionOnIt)
{
    platform::BackgroundQueue queue(2);
    const std::thread::id main = std::this_thread::get_id();
    std::thread::id worker;
    std::thread::id completed;
    auto ticket = queue.run([&] {
        worker = std::this_thread::get_id();
        return [&] { completed = std::this_thread::get_id(); };
    });
    ASSERT_TRUE(platform::RunLoop::runUntil([&] { return completed != std::thread::id(); }, 10));
    EXPECT_NE(worker, main);
    EXPECT_EQ(completed, main);
}

TEST(BackgroundQueueTest, ADroppedTicketDropsTheCompletionNotTheWork)
{
    platform::BackgroundQueue queue(1);
    std::atomic<bool> worked = false;
    bool completed = false;
    static_cast<void>(queue.run([&] {
        worked = true;
        return [&] { completed = true; };
    }));
    // One thread and one main loop: the kept completion comes after the dropped one would have.
    bool keptCompleted = false;
    const auto kept = queue.run([&] { return [&] { keptCompleted = true; }; });
    ASSERT_TRUE(platform::RunLoop::runUntil([&] { return keptCompleted; }, 10));
    EXPECT_TRUE(worked);
    EXPECT_FALSE(completed);
}

} // namespace
