// The exchange with the game server and what the screen makes of the answer.
#include "GameMapViewController.h"

#include "Application.h"
#include "Button.h"
#include "Clock.h"
#include "Exception.h"
#include "GameServer.h"
#include "GameSettings.h"
#include "GameState.h"
#include "Log.h"
#include "PDColoredProgressView.h"
#include "PlayAnswer.h"
#include "PlayRequest.h"
#include "RMMapContents.h"
#include "RMMapView.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"
#include "SystemSound.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <set>
#include <span>

namespace game {

namespace {

// Markers closer than this (degrees) to their object's place stay put.
constexpr double kMarkerMoveThreshold = 0.0001;
constexpr CGPoint kMarkerAnchor { 0.5f, 1.0f };
// Where the temperature tip points: at the temperature bar.
constexpr CGPoint kTemperatureTipPoint { 160, 40 };
// The warning of each kind of failure.
struct Warning {
    const char* title;
    const char* message;
};
constexpr Warning kNoConnection { "No Internet Connection",
    "Internet is required to play.\nPlease fix Your connection and return to the Vantry." };
constexpr Warning kServerFailed { "Game Server Unavailable",
    "The game server cannot play just now.\nVantry will try again by itself." };
constexpr Warning kUntrustedServer { "Untrusted Game Server",
    "The game server's certificate is not trusted.\nPlease check the server and return to the Vantry." };

const Warning& warningFor(PlayFailure failure)
{
    switch (failure) {
    case PlayFailure::Server:
    case PlayFailure::Refused:
        return kServerFailed;
    case PlayFailure::Certificate:
        return kUntrustedServer;
    case PlayFailure::Connection:
        break;
    }
    return kNoConnection;
}
// After a failure the points go again after 3 s, then after twice as long each time, at most a
// minute.
constexpr double kFirstRetry = 3;
constexpr double kLongestRetry = 60;

void vibrate()
{
    platform::SystemSound::play(platform::SystemSound::kVibrate);
}

} // namespace

void GameMapViewController::RunLoadingDataFromServer()
{
    GameState& game = GameState::shared();
    {
        const std::lock_guard response(game.responseLock);
        if (exchange_.isInFlight())
            return;
        {
            const std::lock_guard points(game.pointsLock);
            // Points left over by an answered request (beyond one request's share) go on at once;
            // after a failure, at the next new point or when the back-off has passed, whichever
            // comes first, so a player who stands still is not left with the warning.
            const bool leftOver = !game.locatedPointsToSend.empty()
                && (!lastRequestFailed_ || platform::Clock::current().now() >= retryAt_);
            if (game.locatedPoints.empty() && !leftOver)
                return;
            game.locatedPointsToSend.insert(
                game.locatedPointsToSend.end(), game.locatedPoints.begin(), game.locatedPoints.end());
            game.locatedPoints.clear();
        }
        exchange_.begin();
    }
    if (!game.UniquePlayerKey)
        game.UniquePlayerKey = GameSettings::playerKey();
    // The server takes at most so many points a request: the oldest go first.
    pointsInFlight_ = std::min(game.locatedPointsToSend.size(),
        refusedPoints_ > 0 ? std::min(splitSize_, refusedPoints_) : protocol::kMaxPointsPerRequest);
    std::string body = protocol::writePlayRequest(
        *game.UniquePlayerKey, std::span(game.locatedPointsToSend).first(pointsInFlight_));
    base::logf("myRequestString: {}", body);
    exchange_.send(std::move(body));
}

void GameMapViewController::playExchangeDidAnswer(std::optional<std::string_view> answerText)
{
    ParseDataFromServer(answerText);
    forgetPointsInFlight();
    lastRequestFailed_ = false;
    retryDelay_ = 0;
    for (const Warning& warning : { kNoConnection, kServerFailed, kUntrustedServer })
        dismissWarning(warning.title, warning.message);
}

void GameMapViewController::forgetPointsInFlight()
{
    std::vector<base::GeoPoint>& sent = GameState::shared().locatedPointsToSend;
    const std::size_t forgotten = std::min(pointsInFlight_, sent.size());
    sent.erase(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(forgotten));
    refusedPoints_ -= std::min(refusedPoints_, forgotten);
}

void GameMapViewController::playExchangeDidFail(PlayFailure failure, const std::string& reason)
{
    base::logf("Play request failed: {}", reason);
    if (failure == PlayFailure::Refused) {
        // Points refused twice, or alone, could never be taken: keeping them would lock the player
        // out for good.
        if (refusedPoints_ == 0 && pointsInFlight_ > 1) {
            refusedPoints_ = pointsInFlight_;
            splitSize_ = (pointsInFlight_ + 1) / 2;
        } else {
            base::logf("The game server refused {} point{}; dropped", pointsInFlight_,
                pointsInFlight_ == 1 ? "" : "s");
            forgetPointsInFlight();
        }
        // The rest goes at the next tick, as after an answer.
        lastRequestFailed_ = false;
        return;
    }
    lastRequestFailed_ = true;
    retryDelay_ = std::clamp(2 * retryDelay_, kFirstRetry, kLongestRetry);
    retryAt_ = platform::Clock::current().now() + retryDelay_;
    const Warning& warning = warningFor(failure);
    ShowWarning(warning.title, warning.message);
}

double GameMapViewController::Distance(RMLatLong a, RMLatLong b)
{
    const double latitude = a.latitude - b.latitude;
    const double longitude = a.longitude - b.longitude;
    return std::sqrt(latitude * latitude + longitude * longitude);
}

void GameMapViewController::ParseDataFromServer(std::optional<std::string_view> text)
{
    base::log("ParseDataFromServer");
    base::logf("StrinFromServer: {}", text ? *text : "(null)");
    const protocol::PlayAnswer answer = protocol::readPlayAnswer(text);
    base::log("ParseDataFromServer objects");
    if (answer.objects)
        synchroniseMarkers(*answer.objects);
    else
        base::log("ParseDataFromServer Warning:No game objects recieved");

    base::log("ParseDataFromServer score");
    showScore(answer.score, answer.total);
    base::log("ParseDataFromServer level");
    showLevel(answer.level, answer.princessCount);

    GameState& game = GameState::shared();
    if (game.CoinsTipShown < 1 && game.currentLevel == 0 && game.currentPrincess == 0 && game.vantryMarker) {
        ShowTipAt(pointAboveHero(), "Vantry, grab the coins!");
        ++game.CoinsTipShown;
    }
    if (game.currentLevel == 0) {
        pelloryButton_->setHidden(true);
    } else if (pelloryButton_->isHidden()) {
        pelloryButton_->setHidden(false);
        if (game.PrincessTipShown < 1 && game.currentLevel == 1 && game.currentPrincess == 0
            && game.vantryMarker) {
            ShowTipAt(pointAboveHero(), "Save the Princess");
            ++game.PrincessTipShown;
        }
    }
    showTemperature(static_cast<float>(answer.temperature));
    base::log("ParseDataFromServer Complete");
    if (const auto& hear = GameSettings::shared().answerApplied)
        hear(answer);
}

void GameMapViewController::synchroniseMarkers(const std::vector<protocol::GameObject>& objects)
{
    if (!mapView_)
        throw base::AssertionFailure("null markerManager returned");
    RMMarkerManager& manager = mapView_->markerManager();
    GameState& game = GameState::shared();
    std::set<std::string> stale;
    for (const auto& [id, marker] : game.markers)
        stale.insert(id);

    for (const protocol::GameObject& object : objects) {
        stale.erase(object.id);
        const platform::Image image = pictures_.pictureFor(object.imageName);
        const RMLatLong coordinate { object.where.latitude, object.where.longitude };
        if (const auto known = game.markers.find(object.id); known != game.markers.end()) {
            RMMarker& marker = *known->second;
            marker.replaceUIImageAnchorPoint(image, kMarkerAnchor);
            marker.setData(object);
            if (Distance(manager.latitudeLongitudeForMarker(marker), coordinate) > kMarkerMoveThreshold) {
                manager.moveMarkerAtLatLon(marker, coordinate);
                AnimateMarkerCreating(marker);
            }
            continue;
        }
        auto marker = std::make_shared<RMMarker>(image, kMarkerAnchor);
        if (object.isPlayerHero())
            game.vantryMarker = marker;
        marker->setName(object.id);
        marker->setData(object);
        manager.addMarkerAtLatLong(marker, coordinate);
        game.markers[object.id] = marker;
        AnimateMarkerCreating(*marker);
    }

    for (const std::string& id : stale)
        manager.removeMarker(game.markers[id]);
    for (const std::string& id : stale)
        game.markers.erase(id);

    // The hero is drawn above every coin and princess, whatever the order of the answer.
    const std::shared_ptr<RMMarker> hero = game.vantryMarker;
    if (hero && manager.managingMarker(hero.get()) && manager.markers().back() != hero) {
        const RMLatLong place = manager.latitudeLongitudeForMarker(*hero);
        manager.removeMarker(hero);
        manager.addMarkerAtLatLong(hero, place);
    }
}

void GameMapViewController::pictureArrived(const std::string& name)
{
    const platform::Image image = pictures_.pictureFor(name);
    for (const auto& [id, marker] : GameState::shared().markers) {
        const auto* object = std::any_cast<protocol::GameObject>(&marker->data());
        if (object && object->imageName == name)
            marker->replaceUIImageAnchorPoint(image, kMarkerAnchor);
    }
}

void GameMapViewController::showScore(std::int32_t score, std::int32_t total)
{
    GameState& game = GameState::shared();
    if (score == game.currentScore)
        return;
    if (game.currentScore != -1) {
        AnimateButtonAppearing(*scoreButton_);
        vibrate();
    }
    game.currentScore = score;
    scoreButton_->setTitleForState(fmt::format("{}/{}", score, total), platform::Button::Disabled);
}

void GameMapViewController::showLevel(std::int32_t level, std::int32_t princessCount)
{
    GameState& game = GameState::shared();
    if (level == game.currentLevel && princessCount == game.currentPrincess)
        return;
    if (game.currentLevel != -1) {
        AnimateButtonAppearing(*pelloryButton_);
        vibrate();
    }
    game.currentPrincess = princessCount;
    game.currentLevel = level;
    pelloryButton_->setTitleForState(fmt::format("{}/{}", princessCount, level), platform::Button::Disabled);
    if (game.currentLevel > 0)
        platform::Application::shared().setApplicationIconBadgeNumber(
            game.currentLevel - game.currentPrincess);
}

void GameMapViewController::showTemperature(float temperature)
{
    if (temperature == 0) {
        tempIndicator_->setHidden(true);
        return;
    }
    const float progress = temperature / 100;
    tempIndicator_->setTintColor(platform::Color { static_cast<float>(1.3 - progress), progress, 0, 1 });
    tempIndicator_->setProgress(progress);
    tempIndicator_->setHidden(false);
    GameState& game = GameState::shared();
    if (game.TemperatureTipShown < 1 && game.currentLevel == 1 && game.currentPrincess == 0) {
        ShowTipAt(kTemperatureTipPoint, "Closer to the Princess");
        ++game.TemperatureTipShown;
    }
}

CGPoint GameMapViewController::pointAboveHero() const
{
    GameState& game = GameState::shared();
    const RMLatLong hero = mapView_->markerManager().latitudeLongitudeForMarker(*game.vantryMarker);
    const CGPoint point = mapView_->contents().latLongToPixel(hero);
    return CGPointMake(point.x, point.y - 40);
}

} // namespace game
