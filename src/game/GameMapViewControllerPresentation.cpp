// How the game screen shows what happens: pulses, tips and marker drags.
#include "GameMapViewController.h"

#include "BasicAnimation.h"
#include "Button.h"
#include "CalloutView.h"
#include "Event.h"
#include "GameState.h"
#include "MediaTimingFunction.h"
#include "RMMapContents.h"
#include "RMMapView.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"
#include "Touch.h"

#include <mutex>

namespace game {

namespace {

constexpr double kTipDuration = 5.0;
constexpr double kTipFadeDuration = 1.0;
// Tips stay in this band at the top of the screen.
constexpr CGRect kTipBoundary = CGRectMake(0, 0, 320, 100);

platform::BasicAnimation pulse(float scale, double duration, float repeatCount)
{
    auto animation = platform::BasicAnimation::animationWithKeyPath("transform");
    animation.setDuration(duration);
    animation.setRepeatCount(repeatCount);
    animation.setAutoreverses(true);
    animation.setTimingFunction(
        platform::MediaTimingFunction::functionWithName(platform::MediaTimingFunction::Name::EaseOut));
    animation.setFromValue(platform::Transform3D::makeScale(1, 1, 1));
    animation.setToValue(platform::Transform3D::makeScale(scale, scale, 1));
    return animation;
}

} // namespace

void GameMapViewController::AnimateMarkerCreating(RMMarker& marker)
{
    marker.addAnimation(pulse(1.25f, 1.0, 2.0f), "scaling");
}

void GameMapViewController::AnimateButtonAppearing(platform::Button& button)
{
    platform::Layer& layer = button.buttonLayer();
    // A pulse still running is restarted rather than stacked.
    const platform::BasicAnimation* running = layer.animationForKey("scaling");
    const platform::BasicAnimation animation = running ? *running : pulse(1.3f, 0.5, 1.0f);
    layer.addAnimation(animation, "scaling");
}

void GameMapViewController::ShowTipAt(CGPoint point, const std::string& title)
{
    GameState& game = GameState::shared();
    if (!game.tips)
        game.tips.emplace();
    platform::CalloutView* tip = CreateTip(title);
    game.tips->push_back(tip);
    view().addSubview(tip);
    tip->setAnchorPointBoundaryRectAnimate(point, kTipBoundary, false);
    if (game.tips->size() == 1)
        ShowTipFromStack();
}

platform::CalloutView* GameMapViewController::CreateTip(const std::string& title)
{
    auto* tip = new platform::CalloutView(CGRectZero);
    tip->setContentVerticalAlignment(0);
    tip->setContentHorizontalAlignment(0);
    tip->setTitle(title);
    tip->setHidden(true);
    return tip;
}

void GameMapViewController::ShowTipFromStack()
{
    auto& tips = GameState::shared().tips;
    if (!tips || tips->empty())
        return;
    if (const auto& tip = tips->front()) {
        tip->setHidden(false);
        tip->raise();
    }
    tipTimer_ = platform::Timer::scheduledTimer(kTipDuration, false, [this] { HideTipFromStack(); });
}

void GameMapViewController::HideTipFromStack()
{
    auto& tips = GameState::shared().tips;
    if (!tips || tips->empty())
        return;
    if (const auto& tip = tips->front())
        tip->fadeOutWithDuration(kTipFadeDuration);
    tips->erase(tips->begin());
    ShowTipFromStack();
}

void GameMapViewController::mapViewDidDragMarkerWithEvent(
    RMMapView&, const std::shared_ptr<RMMarker>& marker, const platform::Event& event)
{
    if (event.allTouches().empty())
        return;
    const CGPoint finger = event.allTouches().front()->locationInView(mapView_);
    mapView_->markerManager().moveMarkerAtXY(
        *marker, CGPointMake(finger.x, finger.y + 0.5f * marker->bounds().size.height));
    GameState& game = GameState::shared();
    const std::lock_guard points(game.pointsLock);
    const RMLatLong position = mapView_->contents().markerManager().latitudeLongitudeForMarker(*marker);
    game.locatedPoints.push_back(locatedPoint(position.latitude, position.longitude));
}

void GameMapViewController::tapOnMarkerOnMap(const std::shared_ptr<RMMarker>& marker, RMMapView&)
{
    if (marker && marker == GameState::shared().vantryMarker && infoRequest_) {
        const std::function<void()> request = infoRequest_;
        request();
    }
}

} // namespace game
