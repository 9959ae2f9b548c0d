#include "GameMapViewController.h"

#include "ActivityIndicatorView.h"
#include "Application.h"
#include "Button.h"
#include "CalloutView.h"
#include "GameMapView.h"
#include "GameSettings.h"
#include "GameState.h"
#include "Log.h"
#include "PDColoredProgressView.h"
#include "ProgressHUD.h"
#include "RMAttributionLabel.h"
#include "RMMapContents.h"
#include "RMMapView.h"
#include "RMMarkerManager.h"

#include <algorithm>
#include <limits>
#include <mutex>

namespace game {

namespace {

constexpr double kLocationCheckInterval = 60.0;
constexpr double kExchangeInterval = 3.0;
constexpr float kLocatedZoom = 16;

// The game screen as the player sees it on a phone held upright.
constexpr float kDefaultWidth = 360;
constexpr float kDefaultHeight = 720;
constexpr float kBarInset = 20;
constexpr float kBarTop = 12;
constexpr float kBarHeight = 11;
constexpr float kButtonWidth = 124;
constexpr float kButtonHeight = 58;
constexpr float kButtonInset = 4;
constexpr float kButtonBottom = 22;
constexpr float kNetworkIndicatorSide = 18;

const char* const kLocatingText = "Locating..";

// The zoom that shows roughly the area a fix of this accuracy (metres, worse
// than located) may lie in; none above 10 km.
std::optional<float> zoomForInaccurateFix(double accuracy)
{
    if (accuracy > 5000 && accuracy <= 10000)
        return 6.0f;
    if (accuracy > 1000 && accuracy <= 5000)
        return 9.0f;
    if (accuracy > GameState::Accuracy && accuracy <= 1000)
        return 12.0f;
    return std::nullopt;
}

} // namespace

GameMapViewController::GameMapViewController(std::string nibName)
    : ViewController(std::move(nibName))
{ }

GameMapViewController::~GameMapViewController()
{
    GameState& game = GameState::shared();
    if (game.locationManager && game.locationManager->delegate() == this)
        game.locationManager->setDelegate(nullptr);
    if (locationAlert_) {
        locationAlert_->setDelegate(nullptr);
        locationAlert_->dismiss();
    }
    for (const auto& warning : warnings_)
        warning->dismiss();
    if (mapView_)
        mapView_->setDelegate(nullptr);
}

std::unique_ptr<platform::View> GameMapViewController::loadView()
{
    // "MainView": the map fills the screen, the temperature bar runs along
    // the top, the score and the princess buttons sit in the bottom corners.
    auto view = std::make_unique<GameMapView>(CGRectMake(0, 0, kDefaultWidth, kDefaultHeight));
    const CGSize size = view->bounds().size;

    auto* map = new RMMapView(view->bounds());
    map->setAutoresizingMask(platform::kAutoresizingFlexibleWidth | platform::kAutoresizingFlexibleHeight);
    map->setDeceleration(true);
    view->addSubview(map);
    setMapView(map);
    map->setDelegate(this);
    attribution_ = std::make_unique<RMAttributionLabel>(*map, RMAttributionLabel::kOpenStreetMap);

    auto* bar
        = new PDColoredProgressView(CGRectMake(kBarInset, kBarTop, size.width - 2 * kBarInset, kBarHeight));
    bar->setAutoresizingMask(platform::kAutoresizingFlexibleWidth);
    // Shown by the first temperature above 0.
    bar->setHidden(true);
    view->addSubview(bar);
    setTempIndicator(bar);

    const float buttonTop = size.height - kButtonBottom - kButtonHeight;
    auto* score = new platform::Button(CGRectMake(kButtonInset, buttonTop, kButtonWidth, kButtonHeight));
    score->setAutoresizingMask(
        platform::kAutoresizingFlexibleTopMargin | platform::kAutoresizingFlexibleRightMargin);
    auto* pellory = new platform::Button(
        CGRectMake(size.width - kButtonInset - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight));
    pellory->setAutoresizingMask(
        platform::kAutoresizingFlexibleTopMargin | platform::kAutoresizingFlexibleLeftMargin);
    score->setImage(platform::Image::named("coin", "img"));
    pellory->setImage(platform::Image::named("princess", "img"));
    for (platform::Button* button : { score, pellory }) {
        // Score boards, not controls, waiting for the first answer.
        button->setEnabled(false);
        button->setTitleForState("…", platform::Button::Disabled);
        view->addSubview(button);
    }
    // Shown from level 1 on.
    pellory->setHidden(true);
    setScoreButton(score);
    setPelloryButton(pellory);

    auto* network
        = new platform::ActivityIndicatorView(CGRectMake(size.width - kBarInset - kNetworkIndicatorSide,
            kBarTop + kBarHeight + 6, kNetworkIndicatorSide, kNetworkIndicatorSide));
    network->setAutoresizingMask(platform::kAutoresizingFlexibleLeftMargin);
    view->addSubview(network);
    network->setHidden(true);
    platform::Application::shared().setNetworkActivityIndicatorView(network);
    return view;
}

void GameMapViewController::viewDidLoad()
{
    ViewController::viewDidLoad();
    GameState& game = GameState::shared();
    game.locatedPoints.clear();
    game.locatedPointsToSend.clear();
    game.markers.clear();
    StartLocating();
    exchangeTimer_
        = platform::Timer::scheduledTimer(kExchangeInterval, true, [this] { RunLoadingDataFromServer(); });
    tempIndicator_->setTintColor(platform::Color::clear());
}

void GameMapViewController::StartLocating()
{
    GameState& game = GameState::shared();
    if (!game.locationManager) {
        const auto& makeSource = GameSettings::shared().positionSource;
        game.locationManager
            = std::make_unique<platform::LocationManager>(makeSource ? makeSource(*this) : nullptr);
        game.locationManager->setDelegate(this);
        game.locationManager->setDistanceFilter(3.0);
        game.locationManager->setDesiredAccuracy(platform::LocationManager::kLocationAccuracyBest);
        game.locationManager->startUpdatingLocation();
    }
    StartLocationTimeCheck();
    showProgressHUD(kLocatingText);
    base::log("Locating started");
}

void GameMapViewController::StartLocationTimeCheck()
{
    std::erase_if(locationChecks_, [](const platform::Timer& check) { return !check.isValid(); });
    locationChecks_.push_back(
        platform::Timer::scheduledTimer(kLocationCheckInterval, false, [this] { CheckIfLocated(); }));
}

void GameMapViewController::CheckIfLocated()
{
    const platform::LocationManager& manager = *GameState::shared().locationManager;
    if (manager.locationServicesEnabled()) {
        const auto last = manager.location();
        // No fix at all in a minute is no more accurate than a poor one.
        const double accuracy = last ? last->horizontalAccuracy : std::numeric_limits<double>::infinity();
        if (accuracy > GameState::Accuracy) {
            if (locationAlert_)
                locationAlert_->setDelegate(nullptr);
            locationAlert_ = platform::AlertView::create("Location not Found",
                "Cannot find accurate GPS location.\nPlease try to play elsewhere.\nContinue locating or "
                "stop?",
                this, "Stop", { "Continue" });
            locationAlert_->show();
            return;
        }
    }
    StartLocationTimeCheck();
}

void GameMapViewController::locationManagerDidUpdateToLocationFromLocation(platform::LocationManager&,
    const platform::Location& newLocation, const std::optional<platform::Location>&)
{
    base::log("Located");
    const RMLatLong coordinate { newLocation.coordinate.latitude, newLocation.coordinate.longitude };
    RMMapContents& contents = mapView_->contents();
    contents.moveToLatLong(coordinate);
    const double accuracy = newLocation.horizontalAccuracy;
    if (accuracy > static_cast<double>(GameState::Accuracy)) {
        clearMarkers();
        showProgressHUD(kLocatingText);
        if (const auto zoom = zoomForInaccurateFix(accuracy))
            contents.setZoom(*zoom);
    } else if (accuracy >= 0) {
        hideProgressHUD();
        contents.setZoom(kLocatedZoom);
        GameState& game = GameState::shared();
        {
            const std::lock_guard points(game.pointsLock);
            game.locatedPoints.push_back(locatedPoint(coordinate.latitude, coordinate.longitude));
        }
        base::log("Located Complete");
    }
}

void GameMapViewController::clearMarkers()
{
    GameState& game = GameState::shared();
    mapView_->markerManager().removeMarkers();
    game.markers.clear();
    game.vantryMarker.reset();
}

void GameMapViewController::locationManagerDidFailWithError(
    platform::LocationManager&, const std::string& error)
{
    base::logf(
        "Position source {} failed: {}", GameState::shared().locationManager->sourceDescription(), error);
    ShowWarning("Location not Found", "Cannot find accurate GPS location.\nTry to play elsewhere.");
}

void GameMapViewController::alertViewClickedButtonAtIndex(platform::AlertView& alert, int buttonIndex)
{
    if (&alert != locationAlert_.get())
        return;
    if (buttonIndex != 0) {
        StartLocationTimeCheck();
        base::log("Locating Continue");
        return;
    }
    GameState::shared().locationManager->stopUpdatingLocation();
    hideProgressHUD();
    base::log("Locating Stop");
}

void GameMapViewController::ShowWarning(const std::string& title, const std::string& message)
{
    std::erase_if(warnings_, [](const auto& warning) { return !warning->isVisible(); });
    // One warning of a kind at a time: a failing exchange would otherwise
    // stack one every 3 seconds.
    const bool shown = std::any_of(warnings_.begin(), warnings_.end(),
        [&](const auto& warning) { return warning->title() == title && warning->message() == message; });
    if (shown)
        return;
    auto warning = platform::AlertView::create(title, message, nullptr, "OK");
    warning->show();
    warnings_.push_back(std::move(warning));
}

void GameMapViewController::dismissWarning(const std::string& title, const std::string& message)
{
    for (const auto& warning : warnings_) {
        if (warning->isVisible() && warning->title() == title && warning->message() == message)
            warning->dismiss();
    }
    std::erase_if(warnings_, [](const auto& warning) { return !warning->isVisible(); });
}

void GameMapViewController::showProgressHUD(const std::string& text)
{
    GameState& game = GameState::shared();
    if (!game.progress) {
        auto* progress = new platform::ProgressHUD(view());
        view().addSubview(progress);
        progress->setOpaque(false);
        game.progress = progress;
    }
    game.progress->setText(text);
    game.progress->show(true);
}

void GameMapViewController::hideProgressHUD()
{
    if (const auto& progress = GameState::shared().progress)
        progress->show(false);
}

void GameMapViewController::didReceiveMemoryWarning()
{
    ViewController::didReceiveMemoryWarning();
}

} // namespace game
