#pragma once

// The game screen on a manual clock, fed by a scripted position source, with
// its map tiles from a loopback tile server (which also serves the marker
// pictures) and the log captured.

#include "AlertView.h"
#include "GameMapViewController.h"
#include "GameServer.h"
#include "GameSettings.h"
#include "GameState.h"
#include "LogCapture.h"
#include "ManualClock.h"
#include "NetworkAccess.h"
#include "ProgressHUD.h"
#include "RMOpenStreetMapSource.h"
#include "ScriptedPositionSource.h"
#include "TileServer.h"
#include "Window.h"

#include <QNetworkAccessManager>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace vantry::test {

class GameTest : public testing::Test {
protected:
    GameTest()
    {
        game::GameState::reset();
        RMOpenStreetMapSource::setTileHost("127.0.0.1:" + std::to_string(tiles.port()));
        protocol::GameServer::setHost("127.0.0.1");
        protocol::GameServer::setImagePort(tiles.port());
        game::GameSettings& settings = game::GameSettings::shared();
        settings.playerKeyOverride = "test-player";
        settings.positionSource = [this](game::GameMapViewController&) {
            auto scripted = std::make_unique<platform::ScriptedPositionSource>();
            source = scripted.get();
            return scripted;
        };
    }

    ~GameTest() override
    {
        controller.reset();
        // Idle connections kept for reuse would hold the servers' workers.
        platform::NetworkAccess::manager().clearConnectionCache();
        platform::AlertView::dismissAll();
        game::GameState::reset();
        game::GameSettings::shared() = {};
        protocol::GameServer::setHost("");
        protocol::GameServer::setPlayPort(0);
        protocol::GameServer::setImagePort(0);
        RMOpenStreetMapSource::setTileHost("");
        log.take();
    }

    // Makes the game screen and loads it in the key window: locating starts.
    game::GameMapViewController& load()
    {
        controller = std::make_unique<game::GameMapViewController>("MainView");
        window.addSubview(&controller->view());
        window.makeKeyAndVisible();
        return *controller;
    }

    game::GameState& state() const { return game::GameState::shared(); }

    void fix(double latitude, double longitude, double accuracy)
    {
        source->sendLocation(platform::Location { { latitude, longitude }, accuracy, clock.now() });
    }

    bool logged(const std::string& line)
    {
        const auto lines = log.take();
        taken.insert(taken.end(), lines.begin(), lines.end());
        return std::find(taken.begin(), taken.end(), line) != taken.end();
    }

    bool isLocatingShown() const
    {
        const auto& progress = state().progress;
        return progress && progress->isShown() && progress->text() == "Locating..";
    }

    static std::vector<std::shared_ptr<platform::AlertView>> alertsTitled(const std::string& title)
    {
        std::vector<std::shared_ptr<platform::AlertView>> found;
        for (const auto& alert : platform::AlertView::visibleAlerts()) {
            if (alert->title() == title)
                found.push_back(alert);
        }
        return found;
    }

    ManualClock clock { 1'000'000 };
    LogCapture log;
    TileServer tiles;
    platform::Window window { CGRectMake(0, 0, 360, 720) };
    platform::ScriptedPositionSource* source = nullptr;
    std::unique_ptr<game::GameMapViewController> controller;
    std::vector<std::string> taken;
};

} // namespace vantry::test
