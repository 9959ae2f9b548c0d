#include "FlipsideViewController.h"

#include "FlipsideView.h"
#include "GameServer.h"
#include "GameSettings.h"
#include "GameState.h"

#include <fmt/format.h>

namespace game {

namespace {

// The platform's colour behind info screens.
constexpr platform::Color kFlipsideBackgroundColor { 0.12f, 0.13f, 0.17f, 1 };

} // namespace

FlipsideViewController::FlipsideViewController(std::string nibName)
    : ViewController(std::move(nibName))
{ }

std::string FlipsideViewController::infoText()
{
    const GameState& game = GameState::shared();
    return fmt::format(
        "Vantry is a street game. Walk about with your phone: coins lie around you on the map, "
        "and every coin you reach is yours. Collect them all and a princess is hidden nearby; the "
        "bar at the top grows warmer as you near her. Find her to save her, and the next level "
        "begins.\n\n"
        "How to play: go outside where the sky is open, so the phone knows where you are to within "
        "100 m. Your hero follows you; walk to the coins. The button on the left counts your coins, "
        "the one on the right the princesses saved and the level.\n\n"
        "Player key: {}\n"
        "Game server: {}\n"
        "Version: {}\n\n"
        "Map data © OpenStreetMap contributors, available under the Open Database License "
        "(openstreetmap.org/copyright).",
        game.UniquePlayerKey ? *game.UniquePlayerKey : GameSettings::playerKey(),
        protocol::GameServer::playURL(), VANTRY_VERSION);
}

std::unique_ptr<platform::View> FlipsideViewController::loadView()
{
    return std::make_unique<FlipsideView>(CGRectMake(0, 0, 360, 720));
}

void FlipsideViewController::viewDidLoad()
{
    ViewController::viewDidLoad();
    view().setBackgroundColor(kFlipsideBackgroundColor);
    static_cast<FlipsideView&>(view()).setText(infoText());
}

void FlipsideViewController::viewWillAppear(bool animated)
{
    ViewController::viewWillAppear(animated);
    static_cast<FlipsideView&>(view()).setText(infoText());
}

} // namespace game
