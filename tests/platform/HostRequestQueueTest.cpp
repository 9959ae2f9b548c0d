#include "HostRequestQueue.h"
#include "RunLoop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::HostRequestQueue;
using testing::ElementsAre;

namespace {

TEST(HostRequestQueueTest, TwoRequestsRunPerHostUnlessItMultiplexes)
{
    HostRequestQueue queue(2);
    std::vector<std::string> sent;
    const auto request = [&](const std::string& host, const std::string& name) {
        return queue.enqueue(host, [&sent, name] { sent.push_back(name); });
    };
    const auto a1 = request("a", "a1");
    request("a", "a2");
    request("a", "a3");
    const auto a4 = request("a", "a4");
    request("b", "b1");
    EXPECT_THAT(sent, ElementsAre("a1", "a2", "b1"));

    // A withdrawn waiting request is never sent; a freed place goes to the
    // next one on the next turn of the event loop, and a newcomer queues
    // behind it.
    queue.finished(a4);
    queue.finished(a1);
    request("a", "a5");
    EXPECT_EQ(sent.size(), 3u);
    platform::RunLoop::runPendingEvents();
    EXPECT_THAT(sent, ElementsAre("a1", "a2", "b1", "a3"));

    queue.setMultiplexing("a");
    EXPECT_THAT(sent, ElementsAre("a1", "a2", "b1", "a3", "a5"));
    for (int i = 0; i < 40; ++i)
        request("a", "more");
    EXPECT_EQ(queue.runningCount("a"), HostRequestQueue::kMultiplexedRequests);
}

} // namespace
