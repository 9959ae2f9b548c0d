#include "Walker.h"

#include "Clock.h"
#include "GameMapViewController.h"
#include "GameObject.h"
#include "GameState.h"
#include "PDColoredProgressView.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>

namespace game {

namespace {

std::optional<double> number(std::string_view text)
{
    double value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

Walker::Walker(GameMapViewController& screen, RMLatLong start, double speed)
    : screen_(screen)
    , start_(start)
    , strategy_({ start.latitude, start.longitude })
    , speed_(speed)
{ }

std::string Walker::description() const
{
    return fmt::format("walker from {:.6f},{:.6f}", start_.latitude, start_.longitude);
}

std::optional<RMLatLong> Walker::startFromSpec(std::string_view spec, std::string& error)
{
    if (spec == "walker")
        return kDefaultStart;
    error = "a walker starts at walker:LAT,LON (decimal degrees), not " + std::string(spec);
    if (!spec.starts_with("walker:"))
        return std::nullopt;
    const std::string_view place = spec.substr(7);
    const auto comma = place.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    const auto latitude = number(place.substr(0, comma));
    const auto longitude = number(place.substr(comma + 1));
    if (!latitude || !longitude || std::abs(*latitude) > 85 || std::abs(*longitude) > 180)
        return std::nullopt;
    error.clear();
    return RMLatLong { *latitude, *longitude };
}

void Walker::start()
{
    if (stepTimer_.isValid())
        return;
    // The first fix comes at once (but never from inside start()).
    stepTimer_ = platform::Timer::scheduledTimer(0, false, [this] {
        stepTimer_ = platform::Timer::scheduledTimer(1 / speed_, true, [this] { step(); });
        deliverPosition();
    });
}

void Walker::stop()
{
    stepTimer_.invalidate();
}

base::WalkerSight Walker::sight() const
{
    const GameState& game = GameState::shared();
    base::WalkerSight sight;
    sight.level = game.currentLevel;
    if (const PDColoredProgressView* bar = screen_.tempIndicator(); bar && !bar->isHidden())
        sight.temperature = 100.0 * bar->progress();
    RMMapView* map = screen_.mapView();
    if (!map)
        return sight;
    for (const auto& [id, marker] : game.markers) {
        const auto* object = std::any_cast<protocol::GameObject>(&marker->data());
        if (!object)
            continue;
        const RMLatLong place = map->markerManager().latitudeLongitudeForMarker(*marker);
        if (object->imageName == protocol::kCoinPicture)
            sight.coins.push_back({ place.latitude, place.longitude });
        else if (object->imageName == protocol::kPrincessPicture)
            sight.princesses.push_back({ place.latitude, place.longitude });
    }
    return sight;
}

void Walker::step()
{
    strategy_.see(sight());
    strategy_.step(kWalkingSpeed);
    deliverPosition();
}

void Walker::deliverPosition()
{
    deliver(platform::Location { strategy_.position(), kAccuracy, platform::Clock::current().now() });
}

} // namespace game
