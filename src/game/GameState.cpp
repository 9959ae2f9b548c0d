#include "GameState.h"

#include "CalloutView.h"
#include "LocationManager.h"
#include "ProgressHUD.h"
#include "RMMarker.h"

namespace game {

namespace {

std::unique_ptr<GameState>& instance()
{
    static std::unique_ptr<GameState> state = std::make_unique<GameState>();
    return state;
}

} // namespace

GameState::GameState() = default;
GameState::~GameState() = default;

GameState& GameState::shared()
{
    return *instance();
}

void GameState::reset()
{
    instance() = std::make_unique<GameState>();
}

} // namespace game
