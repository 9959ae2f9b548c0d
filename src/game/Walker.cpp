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
#include <limits>
#include <numbers>

namespace game {

namespace {

constexpr double kMetresPerDegree = 111'320;
// How far the walker turns when the bar cools: a little more than a right
// angle, so that it never walks back and forth on one line.
constexpr double kTurn = 0.6 * std::numbers::pi;
// Closer than this, a target counts as reached (the server takes 15 m).
constexpr double kArrived = 3;

double metresBetween(RMLatLong a, RMLatLong b)
{
    return platform::distanceBetween({ a.latitude, a.longitude }, { b.latitude, b.longitude });
}

double bearing(RMLatLong from, RMLatLong to)
{
    const double north = (to.latitude - from.latitude) * kMetresPerDegree;
    const double east = (to.longitude - from.longitude) * kMetresPerDegree
        * std::cos(from.latitude * std::numbers::pi / 180);
    return std::atan2(east, north);
}

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
    , position_(start)
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
        deliver(platform::Location {
            { position_.latitude, position_.longitude }, kAccuracy, platform::Clock::current().now() });
    });
}

void Walker::stop()
{
    stepTimer_.invalidate();
}

std::optional<RMLatLong> Walker::target() const
{
    const GameState& game = GameState::shared();
    RMMapView* map = screen_.mapView();
    if (!map)
        return std::nullopt;
    std::optional<RMLatLong> princess;
    std::optional<RMLatLong> coin;
    double nearestCoin = std::numeric_limits<double>::infinity();
    for (const auto& [id, marker] : game.markers) {
        const auto* object = std::any_cast<GameObject>(&marker->data());
        if (!object)
            continue;
        const RMLatLong place = map->markerManager().latitudeLongitudeForMarker(*marker);
        if (object->imageName == "princess") {
            if (!princess || metresBetween(position_, place) < metresBetween(position_, *princess))
                princess = place;
        } else if (object->imageName == "coin" && metresBetween(position_, place) < nearestCoin) {
            nearestCoin = metresBetween(position_, place);
            coin = place;
        }
    }
    return princess ? princess : coin;
}

void Walker::followTemperature()
{
    const PDColoredProgressView* bar = screen_.tempIndicator();
    if (!bar || bar->isHidden() || GameState::shared().currentLevel < 1) {
        lastTemperature_.reset();
        return;
    }
    const float temperature = bar->progress();
    if (lastTemperature_ && temperature < *lastTemperature_)
        heading_ += kTurn;
    lastTemperature_ = temperature;
}

void Walker::step()
{
    if (const auto goal = target()) {
        lastTemperature_.reset();
        if (metresBetween(position_, *goal) < kArrived)
            return;
        heading_ = bearing(position_, *goal);
    } else {
        followTemperature();
    }
    const double metres = kWalkingSpeed;
    position_.latitude += metres * std::cos(heading_) / kMetresPerDegree;
    position_.longitude += metres * std::sin(heading_)
        / (kMetresPerDegree * std::cos(position_.latitude * std::numbers::pi / 180));
    deliver(platform::Location {
        { position_.latitude, position_.longitude }, kAccuracy, platform::Clock::current().now() });
}

} // namespace game
