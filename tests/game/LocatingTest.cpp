#include "GameFixture.h"

#include "LocationManager.h"
#include "RMMapContents.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"

namespace vantry::test {
namespace {

using LocatingTest = GameTest;

struct AccuracyCase {
    double accuracy;
    float zoom; // the zoom after the fix, the map having been at 14
    bool located;
};

class AccuracyTableTest : public GameTest, public testing::WithParamInterface<AccuracyCase> { };

TEST_P(AccuracyTableTest, ZoomsAndLocatesByAccuracy)
{
    const AccuracyCase& row = GetParam();
    load();
    RMMapContents& contents = controller->mapView()->contents();
    contents.setZoom(14);
    auto marker = std::make_shared<RMMarker>();
    controller->mapView()->markerManager().addMarkerAtLatLong(marker, RMLatLong { 55.75, 37.61 });
    state().markers["m"] = marker;
    state().vantryMarker = marker;

    fix(55.7558312, 37.6173, row.accuracy);

    EXPECT_FLOAT_EQ(contents.zoom(), row.zoom);
    const RMLatLong centre = contents.mapCenter();
    EXPECT_NEAR(centre.latitude, 55.7558312, 1e-6);
    EXPECT_NEAR(centre.longitude, 37.6173, 1e-6);
    if (row.located) {
        ASSERT_EQ(state().locatedPoints.size(), 1u);
        EXPECT_EQ(state().locatedPoints[0].latitude, 55.7558312f);
        EXPECT_EQ(state().locatedPoints[0].longitude, 37.6173f);
        EXPECT_FALSE(isLocatingShown());
        EXPECT_TRUE(logged("Located Complete"));
    } else {
        EXPECT_TRUE(state().locatedPoints.empty());
    }
    const bool inaccurate = row.accuracy > 100;
    EXPECT_EQ(state().markers.empty(), inaccurate);
    EXPECT_EQ(state().vantryMarker == nullptr, inaccurate);
    EXPECT_EQ(controller->mapView()->markerManager().markers().empty(), inaccurate);
    if (inaccurate) {
        EXPECT_TRUE(isLocatingShown());
    }
}

INSTANTIATE_TEST_SUITE_P(Accuracies, AccuracyTableTest,
    testing::Values(AccuracyCase { -1, 14, false }, AccuracyCase { 0, 16, true },
        AccuracyCase { 100, 16, true }, AccuracyCase { 100.0001, 12, false },
        AccuracyCase { 1000, 12, false }, AccuracyCase { 1000.5, 9, false }, AccuracyCase { 5000, 9, false },
        AccuracyCase { 5000.5, 6, false }, AccuracyCase { 10000, 6, false },
        AccuracyCase { 10000.5, 14, false }));

TEST_F(LocatingTest, LoadStartsLocatingOnce)
{
    load();
    EXPECT_TRUE(isLocatingShown());
    EXPECT_TRUE(logged("Locating started"));
    ASSERT_NE(source, nullptr);
    EXPECT_TRUE(source->isStarted());
    EXPECT_EQ(state().locationManager->distanceFilter(), 3.0);
    EXPECT_TRUE(controller->tempIndicator()->tintColor()->isClear());

    platform::LocationManager* manager = state().locationManager.get();
    source->stop();
    controller->StartLocating();
    EXPECT_EQ(state().locationManager.get(), manager);
    EXPECT_FALSE(source->isStarted()) << "a second start must not restart updates";
}

TEST_F(LocatingTest, NotANumberAccuracyOnlyMovesTheMap)
{
    load();
    fix(48.85, 2.35, std::nan(""));
    EXPECT_NEAR(controller->mapView()->contents().mapCenter().latitude, 48.85, 1e-6);
    EXPECT_TRUE(state().locatedPoints.empty());
    EXPECT_TRUE(isLocatingShown());
}

TEST_F(LocatingTest, CheckAsksOnlyWhileTheLastFixIsInaccurate)
{
    load();
    fix(48.85, 2.35, 50);
    clock.advance(60);
    EXPECT_TRUE(alertsTitled("Location not Found").empty()) << "an accurate last fix asks nothing";

    fix(48.86, 2.35, 500);
    clock.advance(60);
    auto asked = alertsTitled("Location not Found");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0]->message(),
        "Cannot find accurate GPS location.\nPlease try to play elsewhere.\nContinue locating or stop?");
    EXPECT_EQ(asked[0]->buttonTitleAtIndex(0), "Stop");
    EXPECT_EQ(asked[0]->buttonTitleAtIndex(1), "Continue");

    clock.advance(120);
    EXPECT_EQ(alertsTitled("Location not Found").size(), 1u) << "no check is armed while asking";

    asked[0]->clickButtonAtIndex(1);
    EXPECT_TRUE(logged("Locating Continue"));
    clock.advance(59);
    EXPECT_TRUE(alertsTitled("Location not Found").empty());
    clock.advance(1);
    asked = alertsTitled("Location not Found");
    ASSERT_EQ(asked.size(), 1u) << "Continue checks again 60 s later";

    asked[0]->clickButtonAtIndex(0);
    EXPECT_TRUE(logged("Locating Stop"));
    EXPECT_FALSE(source->isStarted());
    EXPECT_FALSE(isLocatingShown());
    clock.advance(600);
    EXPECT_TRUE(alertsTitled("Location not Found").empty()) << "Stop is final";
}

// The question never came while no fix came at all: the player saw a grey field for minutes.
TEST_F(LocatingTest, NoFixAtAllAsksAfterAMinuteToo)
{
    load();
    clock.advance(59);
    EXPECT_TRUE(alertsTitled("Location not Found").empty());
    clock.advance(1);
    EXPECT_EQ(alertsTitled("Location not Found").size(), 1u);
}

TEST_F(LocatingTest, DisabledServicesNeverAsk)
{
    load();
    fix(48.85, 2.35, 5000);
    source->setAvailable(false);
    clock.advance(180);
    EXPECT_TRUE(alertsTitled("Location not Found").empty());
    source->setAvailable(true);
    clock.advance(60);
    EXPECT_EQ(alertsTitled("Location not Found").size(), 1u) << "the check kept re-arming itself";
}

TEST_F(LocatingTest, FailureWarnsOncePerAlertOnScreen)
{
    load();
    source->sendFailure("no fix");
    source->sendFailure("no fix");
    const auto warnings = alertsTitled("Location not Found");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0]->message(), "Cannot find accurate GPS location.\nTry to play elsewhere.");
    EXPECT_EQ(warnings[0]->buttonTitleAtIndex(0), "OK");
    warnings[0]->clickButtonAtIndex(0);
    source->sendFailure("no fix");
    EXPECT_EQ(alertsTitled("Location not Found").size(), 1u);
    EXPECT_TRUE(source->isStarted()) << "a failure changes nothing else";
}

} // namespace
} // namespace vantry::test
