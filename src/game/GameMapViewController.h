#pragma once

#include "AlertView.h"
#include "Button.h"
#include "CGGeometry.h"
#include "GameObject.h"
#include "LocationManager.h"
#include "MarkerPictures.h"
#include "PDColoredProgressView.h"
#include "PlayExchange.h"
#include "RMLatLong.h"
#include "RMMapView.h"
#include "RMMapViewDelegate.h"
#include "Timer.h"
#include "ViewController.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class RMAttributionLabel;
class RMMarker;

namespace platform {
class CalloutView;
} // namespace platform

namespace game {

// The controller of the game screen, the only screen the game is played
// on. It locates the player (every fix moves the map; accurate ones become
// located points and zoom in), exchanges the located points with the game
// server every 3 seconds and shows what the server answers: game objects
// as markers, score and level on two buttons, the temperature on a bar,
// tips in speech bubbles. The game's state is program-wide (GameState);
// there is one controller per game.
//
// It is the map view's delegate (it lets the player drag markers, which
// adds located points), the positioning manager's delegate and the delegate
// of its alerts. Main thread only.
class GameMapViewController : public platform::ViewController,
                              public platform::LocationManagerDelegate,
                              public RMMapViewDelegate,
                              public RMMapViewDelegate::DidDragMarker,
                              public RMMapViewDelegate::TapOnMarker,
                              public platform::AlertViewDelegate,
                              public PlayExchangeDelegate {
public:
    // `nibName` is the screen's description ("MainView").
    explicit GameMapViewController(std::string nibName);
    ~GameMapViewController() override;

    // --- The game screen's views, made with the screen (not owned: the
    // screen's view owns them).
    RMMapView* mapView() const { return mapView_; }
    void setMapView(RMMapView* mapView) { mapView_ = mapView; }
    platform::Button* scoreButton() const { return scoreButton_; }
    void setScoreButton(platform::Button* button) { scoreButton_ = button; }
    platform::Button* pelloryButton() const { return pelloryButton_; }
    void setPelloryButton(platform::Button* button) { pelloryButton_ = button; }
    PDColoredProgressView* tempIndicator() const { return tempIndicator_; }
    void setTempIndicator(PDColoredProgressView* indicator) { tempIndicator_ = indicator; }

    // --- Locating.
    void StartLocating();
    // Arms one more 60-second check; nothing cancels an armed one.
    void StartLocationTimeCheck();
    void CheckIfLocated();
    void locationManagerDidUpdateToLocationFromLocation(platform::LocationManager& manager,
        const platform::Location& newLocation, const std::optional<platform::Location>& oldLocation) override;
    void locationManagerDidFailWithError(
        platform::LocationManager& manager, const std::string& error) override;
    // The answer to "Location not Found": 0 stops locating, others go on.
    void alertViewClickedButtonAtIndex(platform::AlertView& alert, int buttonIndex) override;
    // An alert with one "OK" button. While an alert of the same title and
    // message is on screen, another is not shown.
    void ShowWarning(const std::string& title, const std::string& message);
    // Takes that warning off the screen, if it is on.
    void dismissWarning(const std::string& title, const std::string& message);
    void showProgressHUD(const std::string& text);
    void hideProgressHUD();

    // --- The exchange with the game server.
    // Sends the points located since the last request, unless a request is
    // in flight; the 3-second timer calls it.
    void RunLoadingDataFromServer();
    const PlayExchange& playExchange() const { return exchange_; }
    // The answer arrived: it is applied, and the points it answers are
    // forgotten.
    void playExchangeDidAnswer(std::optional<std::string_view> answerText) override;
    // The points stay queued for the next request and the player is warned; a batch the server
    // refuses goes again in two halves, and a half it refuses again is dropped.
    void playExchangeDidFail(PlayFailure failure, const std::string& reason) override;
    // Applies the server's answer text (none when it was not UTF-8).
    void ParseDataFromServer(std::optional<std::string_view> text);
    // The straight-line distance of two coordinates, in degrees.
    static double Distance(RMLatLong a, RMLatLong b);

    // --- Presentation.
    // A marker pulse: to 125 % and back, twice (4 s).
    void AnimateMarkerCreating(RMMarker& marker);
    // A button pulse: to 130 % and back, once (1 s).
    void AnimateButtonAppearing(platform::Button& button);
    // Queues a tip pointing at `point` (the screen's coordinates).
    void ShowTipAt(CGPoint point, const std::string& title);
    platform::CalloutView* CreateTip(const std::string& title);
    void ShowTipFromStack();
    void HideTipFromStack();
    // A finger drags a marker: it follows the finger and its place becomes
    // a located point.
    void mapViewDidDragMarkerWithEvent(
        RMMapView& map, const std::shared_ptr<RMMarker>& marker, const platform::Event& event) override;

    // A tap on the hero is the touch screen's way to the info screen (the
    // info button stays hidden): it calls `handler`, which the root screen sets.
    void setInfoRequestHandler(std::function<void()> handler) { infoRequest_ = std::move(handler); }
    void tapOnMarkerOnMap(const std::shared_ptr<RMMarker>& marker, RMMapView& map) override;

    void didReceiveMemoryWarning() override;

protected:
    std::unique_ptr<platform::View> loadView() override;
    void viewDidLoad() override;

private:
    // The game state lost its accurate position: the markers go.
    void clearMarkers();
    void synchroniseMarkers(const std::vector<protocol::GameObject>& objects);
    // The points the request in flight carried leave the queue.
    void forgetPointsInFlight();
    // The server's picture of `name` arrived: the markers that show it change.
    void pictureArrived(const std::string& name);
    void showScore(std::int32_t score, std::int32_t total);
    void showLevel(std::int32_t level, std::int32_t princessCount);
    void showTemperature(float temperature);
    // The hero's screen point, 40 points higher, where tips about it point.
    CGPoint pointAboveHero() const;

    QPointer<RMMapView> mapView_;
    std::unique_ptr<RMAttributionLabel> attribution_;
    QPointer<platform::Button> scoreButton_;
    QPointer<platform::Button> pelloryButton_;
    QPointer<PDColoredProgressView> tempIndicator_;

    std::vector<platform::Timer> locationChecks_;
    platform::Timer exchangeTimer_;
    platform::Timer tipTimer_;
    std::shared_ptr<platform::AlertView> locationAlert_;
    std::vector<std::shared_ptr<platform::AlertView>> warnings_;
    PlayExchange exchange_ { *this };
    // The oldest located points to send that the request in flight carries.
    std::size_t pointsInFlight_ = 0;
    // After the server refused a batch: how many of its points, the oldest to send, are still to go,
    // in requests of at most half the batch each; a half refused again is dropped.
    std::size_t refusedPoints_ = 0;
    std::size_t splitSize_ = 0;
    bool lastRequestFailed_ = false;
    // After a failure: the Clock time when the points may go again, and the pause before it.
    double retryAt_ = 0;
    double retryDelay_ = 0;
    std::function<void()> infoRequest_;
    MarkerPictures pictures_ { [this](const std::string& name) { pictureArrived(name); } };
};

} // namespace game
