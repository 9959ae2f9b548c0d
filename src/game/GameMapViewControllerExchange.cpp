// The exchange with the game server and what the screen makes of the answer.
#include "GameMapViewController.h"

#include "Application.h"
#include "Button.h"
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
#include "Utilities.h"

#include <QStringDecoder>

#include <cmath>
#include <mutex>
#include <set>

namespace game {

namespace {

// Markers closer than this (degrees) to their object's place stay put.
constexpr double kMarkerMoveThreshold = 0.0001;
constexpr CGPoint kMarkerAnchor { 0.5f, 1.0f };
// Where the temperature tip points: at the temperature bar.
constexpr CGPoint kTemperatureTipPoint { 160, 40 };

// The bytes as text, or none when they are not UTF-8.
std::optional<std::string_view> utf8Text(const std::vector<std::uint8_t>& bytes)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    QStringDecoder decoder(QStringDecoder::Utf8);
    decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

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
        if (game.responseData)
            return;
        {
            const std::lock_guard points(game.pointsLock);
            if (game.locatedPoints.empty())
                return;
            game.locatedPointsToSend.insert(
                game.locatedPointsToSend.end(), game.locatedPoints.begin(), game.locatedPoints.end());
            game.locatedPoints.clear();
        }
        game.responseData.emplace();
    }
    if (!game.UniquePlayerKey)
        game.UniquePlayerKey = GameSettings::playerKey();
    if (!game.request) {
        game.request.emplace();
        game.request->url = GameServer::playURL();
        game.request->method = "POST";
    }
    const std::string body = makePlayRequestBody(*game.UniquePlayerKey, game.locatedPointsToSend);
    platform::logf("myRequestString: {}", body);
    game.request->body = platform::Data::fromString(body);
    responseStatus_ = 0;
    connection_ = platform::HttpConnection::create(*game.request, *this);
    platform::Application::shared().setNetworkActivityIndicatorVisible(true);
    if (!connection_)
        failRequest("the play URL " + game.request->url + " is not valid");
}

void GameMapViewController::connectionDidReceiveResponse(
    platform::HttpConnection&, const platform::HttpResponse& response)
{
    platform::log("connectionDidReceiveResponse");
    responseStatus_ = response.statusCode;
}

void GameMapViewController::connectionDidReceiveData(platform::HttpConnection&, const platform::Data& data)
{
    platform::log("connectionDidReceiveData");
    auto& bytes = GameState::shared().responseData;
    if (bytes)
        bytes->insert(bytes->end(), data.data(), data.data() + data.size());
}

bool GameMapViewController::connectionWillCacheResponse(
    platform::HttpConnection&, const platform::HttpResponse&)
{
    return false;
}

void GameMapViewController::connectionDidFinishLoading(platform::HttpConnection&)
{
    platform::log("connectionDidFinishLoading");
    platform::Application::shared().setNetworkActivityIndicatorVisible(false);
    // An error page (a proxy's 502…) is not the game's answer: its points
    // must go again, as after a network failure.
    if (responseStatus_ < 200 || responseStatus_ >= 300) {
        failRequest("the game server answered with HTTP status " + std::to_string(responseStatus_));
        return;
    }
    GameState& game = GameState::shared();
    const std::vector<std::uint8_t> bytes
        = game.responseData ? std::move(*game.responseData) : std::vector<std::uint8_t>();
    ParseDataFromServer(utf8Text(bytes));
    game.responseData.reset();
    game.locatedPointsToSend.clear();
    endRequest();
}

void GameMapViewController::connectionDidFailWithError(
    platform::HttpConnection&, const std::string& description)
{
    failRequest(description);
}

void GameMapViewController::failRequest(const std::string& reason)
{
    platform::logf("Play request failed: {}", reason);
    ShowWarning("No Internet Connection",
        "Internet is required to play.\nPlease fix Your connection and return to the Vantry.");
    GameState::shared().responseData.reset();
    platform::Application::shared().setNetworkActivityIndicatorVisible(false);
    endRequest();
}

void GameMapViewController::endRequest()
{
    // Called from the connection's own callbacks, which allow this.
    connection_.reset();
}

double GameMapViewController::Distance(RMLatLong a, RMLatLong b)
{
    const double latitude = a.latitude - b.latitude;
    const double longitude = a.longitude - b.longitude;
    return std::sqrt(latitude * latitude + longitude * longitude);
}

void GameMapViewController::ParseDataFromServer(std::optional<std::string_view> text)
{
    platform::log("ParseDataFromServer");
    platform::logf("StrinFromServer: {}", text ? *text : "(null)");
    const PlayAnswer answer = readPlayAnswer(text);
    platform::log("ParseDataFromServer objects");
    if (answer.objects)
        synchroniseMarkers(*answer.objects);
    else
        platform::log("ParseDataFromServer Warning:No game objects recieved");

    platform::log("ParseDataFromServer score");
    showScore(answer.score, answer.total);
    platform::log("ParseDataFromServer level");
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
    showTemperature(answer.temperature);
    platform::log("ParseDataFromServer Complete");
    if (const auto& hear = GameSettings::shared().answerApplied)
        hear(answer);
}

void GameMapViewController::synchroniseMarkers(const std::vector<GameObject>& objects)
{
    if (!mapView_)
        throw platform::AssertionFailure("null markerManager returned");
    RMMarkerManager& manager = mapView_->markerManager();
    GameState& game = GameState::shared();
    Utilities images;
    std::set<std::string> stale;
    for (const auto& [id, marker] : game.markers)
        stale.insert(id);

    for (const GameObject& object : objects) {
        stale.erase(object.id);
        const std::string url = GameServer::markerImageLocation(object.imageName);
        images.cacheImage(object.imageName, url);
        const platform::Image image = images.getCachedImage(object.imageName, url);
        const RMLatLong coordinate { object.latitude, object.longitude };
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
