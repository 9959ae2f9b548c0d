#include "HostRequestQueue.h"
#include "RunLoop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::HostRequestQueue;
using testing::ElementsAre;

namespace {

class HostRequestQueueTest : public testing::Test {
protected:
    HostRequestQueue::Ticket request(const std::string& host, const std::string& name)
    {
        return queue.enqueue(host, [this, name] { sent.push_back(name); });
    }

    HostRequestQueue queue { 2 };
    std::vector<std::string> sent;
};

TEST_F(HostRequestQueueTest, TwoRequestsRunPerHostAndTheOthersWaitTheirTurn)
{
    const auto a1 = request("a", "a1");
    request("a", "a2");
    request("a", "a3");
    const auto a4 = request("a", "a4");
    request("b", "b1");
    EXPECT_THAT(sent, ElementsAre("a1", "a2", "b1"));
    EXPECT_EQ(queue.runningCount("a"), 2);
    EXPECT_EQ(queue.waitingCount("a"), 2u);

    // A withdrawn waiting request is never sent; a freed place goes to the
    // next one on the next turn of the event loop, and a newcomer queues
    // behind it.
    queue.finished(a4);
    queue.finished(a1);
    request("a", "a5");
    EXPECT_THAT(sent, ElementsAre("a1", "a2", "b1"));
    platform::RunLoop::runPendingEvents();
    EXPECT_THAT(sent, ElementsAre("a1", "a2", "b1", "a3"));
    EXPECT_EQ(queue.waitingCount("a"), 1u);
}

TEST_F(HostRequestQueueTest, AHostThatMultiplexesOrAHigherLimitRunsMoreAtOnce)
{
    for (int i = 0; i < 40; ++i) {
        request("h2", "h2");
        request("h1", "h1");
    }
    EXPECT_EQ(queue.runningCount("h2"), 2);
    queue.setMultiplexing("h2");
    EXPECT_EQ(queue.runningCount("h2"), HostRequestQueue::kMultiplexedRequests);
    queue.setLimitPerHost(6);
    EXPECT_EQ(queue.runningCount("h1"), 6);
    EXPECT_EQ(sent.size(), static_cast<std::size_t>(HostRequestQueue::kMultiplexedRequests + 6));
}

} // namespace
