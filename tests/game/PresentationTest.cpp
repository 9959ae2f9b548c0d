#include "GameFixture.h"

#include "Button.h"
#include "CalloutView.h"
#include "RMMapContents.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"
#include "TestImages.h"
#include "TouchScript.h"

#include <QPointer>

namespace vantry::test {
namespace {

using PresentationTest = GameTest;

TEST_F(PresentationTest, TipsShowOneAfterAnotherForFiveSecondsEach)
{
    load();
    controller->ShowTipAt(CGPointMake(100, 300), "first");
    controller->ShowTipAt(CGPointMake(100, 300), "second");
    controller->ShowTipAt(CGPointMake(160, 40), "third");
    ASSERT_EQ(state().tips->size(), 3u);
    const std::vector<QPointer<platform::CalloutView>> tips(state().tips->begin(), state().tips->end());
    const auto shown = [&] {
        std::string titles;
        for (const auto& tip : tips)
            titles += tip && !tip->isHidden() && !tip->isFadingOut() ? tip->title() + ";" : "";
        return titles;
    };
    EXPECT_EQ(shown(), "first;");
    for (const auto& tip : tips) {
        const CGRect frame = tip->frame();
        EXPECT_TRUE(CGRectContainsRect(CGRectMake(0, 0, 320, 100), frame)) << tip->title();
    }
    clock.advance(4.9);
    EXPECT_EQ(shown(), "first;");
    clock.advance(0.1);
    EXPECT_EQ(shown(), "second;");
    EXPECT_TRUE(tips[0]->isFadingOut());
    clock.advance(5);
    EXPECT_EQ(shown(), "third;");
    clock.advance(5);
    EXPECT_EQ(shown(), "");
    EXPECT_TRUE(state().tips->empty());
}

TEST_F(PresentationTest, PulsesScaleAndRestart)
{
    load();
    RMMarker marker;
    controller->AnimateMarkerCreating(marker);
    const platform::BasicAnimation* pulse = marker.animationForKey("scaling");
    ASSERT_NE(pulse, nullptr);
    EXPECT_EQ(pulse->toValue(), platform::Transform3D::makeScale(1.25f, 1.25f, 1));
    EXPECT_DOUBLE_EQ(pulse->activeDuration(), 4.0);

    platform::Button& button = *controller->scoreButton();
    controller->AnimateButtonAppearing(button);
    clock.advance(0.5);
    EXPECT_FLOAT_EQ(button.buttonLayer().presentationTransform(clock.now()).scaleX, 1.3f);
    controller->AnimateButtonAppearing(button);
    EXPECT_EQ(button.buttonLayer().animationKeys().size(), 1u);
    clock.advance(0.5);
    EXPECT_FLOAT_EQ(button.buttonLayer().presentationTransform(clock.now()).scaleX, 1.3f)
        << "a pulse asked for while running starts again";
    clock.advance(0.5);
    EXPECT_EQ(button.buttonLayer().animationForKey("scaling"), nullptr);
}

TEST_F(PresentationTest, DraggingAMarkerAddsItsPlacesAsLocatedPoints)
{
    load();
    RMMapView& map = *controller->mapView();
    map.contents().setZoom(16);
    map.contents().moveToLatLong(RMLatLong { 51.5, -0.12 });
    auto marker = std::make_shared<RMMarker>(
        platform::Image::fromQImage(makeSolidImage(20, 30, Qt::red)), CGPointMake(0.5f, 1.0f));
    map.markerManager().addMarkerAtLatLong(marker, RMLatLong { 51.5, -0.12 });
    const CGPoint start = map.markerManager().screenCoordinatesForMarker(*marker);

    TouchScript fingers(map, &clock);
    fingers.press(0, QPointF(start.x, start.y - 15)).send();
    for (int step = 1; step <= 20; ++step)
        fingers.move(0, QPointF(start.x + 2 * step, start.y - 15)).send();
    fingers.release(0).send();

    ASSERT_EQ(state().locatedPoints.size(), 20u);
    const CGPoint end = map.markerManager().screenCoordinatesForMarker(*marker);
    EXPECT_NEAR(end.x, start.x + 40, 0.01);
    EXPECT_NEAR(end.y, start.y, 0.01);
    const RMLatLong last = map.markerManager().latitudeLongitudeForMarker(*marker);
    EXPECT_EQ(state().locatedPoints.back().latitude, static_cast<float>(last.latitude));
    EXPECT_EQ(state().locatedPoints.back().longitude, static_cast<float>(last.longitude));
}

} // namespace
} // namespace vantry::test
