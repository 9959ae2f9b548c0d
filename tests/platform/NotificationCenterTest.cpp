#include "NotificationCenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::Data;
using platform::Notification;
using platform::NotificationCenter;
using platform::UserInfo;

namespace {

struct Recorder {
    std::vector<std::string> calls;
    auto handler(std::string tag)
    {
        return [this, tag](const Notification&) { calls.push_back(tag); };
    }
};

const int senderA = 0;
const int senderB = 0;

} // namespace

TEST(NotificationCenter, DeliversByNameAndObjectInRegistrationOrder)
{
    NotificationCenter center;
    Recorder log;
    int first, second, third, fourth;
    center.addObserver(&first, "Loaded", nullptr, log.handler("any"));
    center.addObserver(&second, "Loaded", &senderA, log.handler("A"));
    center.addObserver(&third, "Loaded", &senderB, log.handler("B"));
    center.addObserver(&fourth, "Other", nullptr, log.handler("other"));
    center.addObserver(&first, "Loaded", nullptr, log.handler("any again"));

    center.postNotification("Loaded", &senderA);
    EXPECT_EQ(log.calls, (std::vector<std::string> { "any", "A", "any again" }));
    log.calls.clear();
    center.postNotification("Loaded");
    EXPECT_EQ(log.calls, (std::vector<std::string> { "any", "any again" }));
    log.calls.clear();
    center.postNotification("Nobody listens");
    EXPECT_TRUE(log.calls.empty());
}

TEST(NotificationCenter, HandlerSeesNameObjectAndUserInfo)
{
    NotificationCenter center;
    const Data bytes = Data::fromString("\x89PNG");
    std::string name;
    const void* object = nullptr;
    Data received;
    int observer;
    center.addObserver(&observer, "MapImageLoaded", nullptr, [&](const Notification& n) {
        name = std::string(n.name());
        object = n.object();
        if (const Data* data = n.userInfo().get<Data>("data"))
            received = *data;
        EXPECT_EQ(n.userInfo().get<std::string>("data"), nullptr);
    });
    center.postNotification("MapImageLoaded", &senderA, UserInfo { { "data", bytes } });
    EXPECT_EQ(name, "MapImageLoaded");
    EXPECT_EQ(object, &senderA);
    EXPECT_EQ(received, bytes);
    EXPECT_EQ(received.data(), bytes.data()) << "the bytes are shared, not copied";
}

TEST(NotificationCenter, RemovesByNameObjectOrAll)
{
    NotificationCenter center;
    Recorder log;
    int observer;
    center.addObserver(&observer, "N", &senderA, log.handler("N/A"));
    center.addObserver(&observer, "N", &senderB, log.handler("N/B"));
    center.addObserver(&observer, "M", nullptr, log.handler("M"));
    EXPECT_EQ(center.observationCount(), 3u);

    center.removeObserver(&observer, "N", &senderA);
    center.postNotification("N", &senderA);
    center.postNotification("N", &senderB);
    EXPECT_EQ(log.calls, (std::vector<std::string> { "N/B" }));

    center.removeObserver(&observer, "N");
    center.postNotification("N", &senderB);
    center.postNotification("M");
    EXPECT_EQ(log.calls, (std::vector<std::string> { "N/B", "M" }));

    center.removeObserver(&observer);
    center.postNotification("M");
    EXPECT_EQ(center.observationCount(), 0u);
    EXPECT_EQ(log.calls.size(), 2u);
}

TEST(NotificationCenter, ObserversRemovedDuringAPostAreNotCalledAgain)
{
    NotificationCenter center;
    Recorder log;
    int self, first, second, third;
    center.addObserver(&self, "N", nullptr, [&](const Notification&) {
        log.calls.push_back("self");
        center.removeObserver(&self);
    });
    center.addObserver(&self, "N", nullptr, log.handler("self again"));
    center.addObserver(&first, "N", nullptr, [&](const Notification&) {
        log.calls.push_back("first");
        center.removeObserver(&second);
    });
    center.addObserver(&second, "N", &senderA, log.handler("second"));
    center.addObserver(&third, "N", nullptr, log.handler("third"));
    center.postNotification("N", &senderA);
    center.postNotification("N", &senderA);
    EXPECT_EQ(log.calls, (std::vector<std::string> { "self", "first", "third", "first", "third" }));
}

TEST(NotificationCenter, ObserverAddedDuringAPostWaitsForTheNextPost)
{
    NotificationCenter center;
    Recorder log;
    int first, added;
    center.addObserver(&first, "N", nullptr, [&](const Notification&) {
        log.calls.push_back("first");
        if (log.calls.size() == 1) {
            // Enough registrations to make the bucket grow while it is walked.
            for (int i = 0; i < 64; ++i)
                center.addObserver(&added, "N", nullptr, log.handler("added"));
            center.addObserver(&added, "N", &senderA, log.handler("added for A"));
        }
    });
    center.postNotification("N", &senderA);
    EXPECT_EQ(log.calls, (std::vector<std::string> { "first" }));
    log.calls.clear();
    center.removeObserver(&added, "N", nullptr);
    center.addObserver(&added, "N", &senderA, log.handler("added for A"));
    center.postNotification("N", &senderA);
    EXPECT_EQ(log.calls, (std::vector<std::string> { "first", "added for A" }));
}

TEST(NotificationCenter, HandlersMayPostAndTheNestedPostSeesRemovals)
{
    NotificationCenter center;
    Recorder log;
    int a, b, c;
    center.addObserver(&a, "Outer", nullptr, [&](const Notification&) {
        log.calls.push_back("outer");
        center.postNotification("Inner");
        center.postNotification("Inner");
    });
    center.addObserver(&b, "Inner", nullptr, [&](const Notification&) {
        log.calls.push_back("inner b");
        center.removeObserver(&c);
    });
    center.addObserver(&c, "Inner", nullptr, log.handler("inner c"));
    center.addObserver(&c, "Outer", nullptr, log.handler("outer c"));
    center.postNotification("Outer");
    EXPECT_EQ(log.calls, (std::vector<std::string> { "outer", "inner b", "inner b" }));
    EXPECT_EQ(center.observationCount(), 2u);
}

TEST(NotificationCenter, HandlerRemovingItselfKeepsItsCapturesAliveUntilItReturns)
{
    NotificationCenter center;
    int observer;
    auto text = std::make_shared<std::string>("still here");
    std::string seen;
    center.addObserver(&observer, "N", nullptr, [&, text](const Notification&) {
        center.removeObserver(&observer);
        seen = *text;
    });
    text.reset();
    center.postNotification("N");
    EXPECT_EQ(seen, "still here");
}

TEST(NotificationCenter, AnExceptionFromAHandlerLeavesTheCentreUsable)
{
    NotificationCenter center;
    int thrower, other;
    int calls = 0;
    center.addObserver(&thrower, "N", nullptr, [&](const Notification&) {
        center.removeObserver(&thrower);
        throw std::runtime_error("assertion failed");
    });
    EXPECT_THROW(center.postNotification("N"), std::runtime_error);
    center.addObserver(&other, "N", nullptr, [&](const Notification&) { ++calls; });
    center.postNotification("N");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(center.observationCount(), 1u);
}

TEST(NotificationCenter, MemoryWarningIsPostedOnTheDefaultCentre)
{
    int observer;
    int warnings = 0;
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(&observer, "UIApplicationDidReceiveMemoryWarningNotification", nullptr,
        [&](const Notification&) { ++warnings; });
    platform::postMemoryWarning();
    center.removeObserver(&observer);
    platform::postMemoryWarning();
    EXPECT_EQ(warnings, 1);
}
