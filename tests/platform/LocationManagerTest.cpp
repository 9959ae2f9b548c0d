#include "LocationManager.h"
#include "ManualClock.h"
#include "ScriptedPositionSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

using platform::Location;
using platform::LocationManager;
using platform::ScriptedPositionSource;

namespace {

constexpr base::GeoPoint kStart { -33.8645, 151.2129 };
constexpr double kMetresPerDegree = base::kEarthRadiusMetres * std::numbers::pi / 180;

// A fix `metres` north of kStart.
Location fixNorth(double metres, double accuracy = 5)
{
    return { { kStart.latitude + metres / kMetresPerDegree, kStart.longitude }, accuracy, 0 };
}

struct RecordingDelegate final : platform::LocationManagerDelegate {
    struct Update {
        Location location;
        std::optional<Location> previous;
    };
    void locationManagerDidUpdateToLocationFromLocation(
        LocationManager&, const Location& location, const std::optional<Location>& previous) override
    {
        updates.push_back({ location, previous });
        if (then)
            then();
    }
    void locationManagerDidFailWithError(LocationManager&, const std::string& error) override
    {
        failures.push_back(error);
        if (then)
            then();
    }

    std::vector<Update> updates;
    std::vector<std::string> failures;
    std::function<void()> then; // runs after each callback
};

class LocationManagerTest : public ::testing::Test {
protected:
    LocationManagerTest() { renew(); }

    // A new manager over a new scripted source, heard by the delegate.
    void renew()
    {
        auto scripted = std::make_unique<ScriptedPositionSource>();
        source = scripted.get();
        manager = std::make_unique<LocationManager>(std::move(scripted));
        manager->setDelegate(&delegate);
    }

    ScriptedPositionSource* source;
    std::unique_ptr<LocationManager> manager;
    RecordingDelegate delegate;
};

} // namespace

TEST_F(LocationManagerTest, DistanceFilterHoldsFixesUntilTheyMoveThatFar)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        double filter;
        std::vector<Location> fixes;
        std::vector<std::size_t> delivered;
    } cases[] = {
        { "none", LocationManager::kDistanceFilterNone, { fixNorth(0), fixNorth(0), fixNorth(1) },
            { 0, 1, 2 } },
        { "negative is none", -7, { fixNorth(0), fixNorth(0) }, { 0, 1 } },
        { "zero passes a fix in the same place", 0, { fixNorth(0), fixNorth(0) }, { 0, 1 } },
        { "measured from the last delivered fix", 3,
            { fixNorth(0), fixNorth(2.9), fixNorth(3.1), fixNorth(5), fixNorth(6.2) }, { 0, 2, 4 } },
        { "a fix without accuracy still counts", 3, { fixNorth(0), fixNorth(1, -1), fixNorth(3, -1) },
            { 0, 2 } },
        { "a more accurate fix passes unmoved", 3,
            { fixNorth(0, 200), fixNorth(1, 50), fixNorth(1, 50), fixNorth(0, -1) }, { 0, 1 } },
        { "fixes without a valid coordinate are dropped", LocationManager::kDistanceFilterNone,
            { { { nan, 0 } }, { { 0, INFINITY } }, { { 90.5, 0 } }, { { 0, -180.5 } }, fixNorth(0) }, { 4 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        renew();
        manager->setDistanceFilter(c.filter);
        manager->startUpdatingLocation();
        delegate.updates.clear();
        for (const Location& fix : c.fixes)
            source->sendLocation(fix);
        ASSERT_EQ(delegate.updates.size(), c.delivered.size());
        for (std::size_t i = 0; i < c.delivered.size(); ++i)
            EXPECT_EQ(delegate.updates[i].location.coordinate.latitude,
                c.fixes[c.delivered[i]].coordinate.latitude);
    }
}

TEST_F(LocationManagerTest, PassesFixesAndFailuresOnlyWhileUpdating)
{
    manager->setDistanceFilter(3);
    source->sendLocation(fixNorth(0));
    source->sendFailure("early");
    EXPECT_FALSE(source->isStarted());
    EXPECT_FALSE(manager->location());

    manager->startUpdatingLocation();
    EXPECT_TRUE(manager->isUpdating());
    EXPECT_TRUE(source->isStarted());
    source->sendLocation(fixNorth(0));
    source->sendLocation(fixNorth(10, 40));
    source->sendFailure("the receiver went quiet");
    ASSERT_EQ(delegate.updates.size(), 2u);
    EXPECT_FALSE(delegate.updates[0].previous);
    EXPECT_EQ(delegate.updates[1].previous->coordinate.latitude, fixNorth(0).coordinate.latitude);
    EXPECT_EQ(delegate.failures, std::vector<std::string> { "the receiver went quiet" });
    EXPECT_EQ(manager->location()->horizontalAccuracy, 40);

    manager->stopUpdatingLocation();
    EXPECT_FALSE(manager->isUpdating());
    EXPECT_FALSE(source->isStarted());
    source->sendLocation(fixNorth(100));
    source->sendFailure("late");
    EXPECT_EQ(delegate.updates.size(), 2u);
    EXPECT_EQ(delegate.failures.size(), 1u);
    EXPECT_EQ(manager->location()->horizontalAccuracy, 40);

    // The first fix after a start passes the filter.
    manager->startUpdatingLocation();
    source->sendLocation(fixNorth(11, 5));
    ASSERT_EQ(delegate.updates.size(), 3u);
    EXPECT_EQ(delegate.updates[2].previous->horizontalAccuracy, 40);

    EXPECT_TRUE(manager->locationServicesEnabled());
    source->setAvailable(false);
    EXPECT_FALSE(manager->locationServicesEnabled());
}

TEST_F(LocationManagerTest, DelegateMayDestroyTheManagerInEitherCallback)
{
    for (const bool failing : { false, true }) {
        SCOPED_TRACE(failing ? "failure" : "update");
        renew();
        manager->startUpdatingLocation();
        delegate.then = [this] { manager.reset(); };
        if (failing)
            source->sendFailure("gone");
        else
            source->sendLocation(fixNorth(0));
        EXPECT_FALSE(manager);
    }
    EXPECT_EQ(delegate.updates.size(), 1u);
    EXPECT_EQ(delegate.failures.size(), 1u);
}

TEST(LocationManagerSources, SayWhichSourceFailedAndWhy)
{
    // Fixes from the system arrive through the event loop, which this test
    // does not run: whatever the machine has, starting it ends in a report.
    vantry::test::ManualClock clock(1000);
    LocationManager file(platform::PositionSource::fromSpec("gpx:/nonexistent/walk.gpx", 1, nullptr));
    LocationManager system(nullptr);
    RecordingDelegate delegate;
    for (LocationManager* manager : { &file, &system }) {
        manager->setDelegate(&delegate);
        manager->startUpdatingLocation();
    }
    EXPECT_TRUE(delegate.failures.empty());
    clock.advance(0.01);
    ASSERT_FALSE(delegate.failures.empty());
    EXPECT_EQ(delegate.failures[0],
        "GPX track /nonexistent/walk.gpx: cannot read the file: No such file or directory");
    EXPECT_FALSE(file.locationServicesEnabled());
    EXPECT_TRUE(file.isUpdating());

    if (system.sourceDescription() == "the default position source") {
        EXPECT_EQ(delegate.failures,
            (std::vector<std::string> {
                delegate.failures[0], "no position source is available (is GeoClue running?)" }));
        return;
    }
    clock.advance(29.9);
    EXPECT_EQ(delegate.failures.size(), 1u);
    clock.advance(0.1);
    EXPECT_EQ(delegate.failures.back(),
        system.sourceDescription()
            + " gave no fix within 30 seconds (is GeoClue running, with location services on?)");
}
