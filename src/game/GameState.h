#pragma once

#include "GeoPoint.h"

#include <QPointer>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class RMMarker;

namespace platform {
class CalloutView;
class LocationManager;
class ProgressHUD;
} // namespace platform

namespace game {

// A located point: a position whose coordinates are each narrowed to a
// 32-bit float, as the game keeps and sends them.
inline base::GeoPoint locatedPoint(double latitude, double longitude)
{
    return { static_cast<float>(latitude), static_cast<float>(longitude) };
}

// The state of the one game a process plays. The game screen's controller
// and its parts read and write it; nothing of it is saved.
//
// Everything runs on the main thread. The two locks are never contended;
// they are kept because the exchange and the writers of `locatedPoints`
// take them in a fixed order: the response lock, then the points lock.
struct GameState {
    GameState();
    ~GameState();
    GameState(const GameState&) = delete;
    GameState& operator=(const GameState&) = delete;

    // The one game of the process.
    static GameState& shared();
    // Starts over with the initial values (a new game; tests use it). Any
    // reference to the old state dies with it.
    static void reset();

    // The largest horizontal accuracy radius, in metres, at which a fix
    // counts as located.
    static constexpr float Accuracy = 100.0f;

    // Made once, when locating starts.
    std::unique_ptr<platform::LocationManager> locationManager;
    // Located points not yet taken into a request (guarded by pointsLock).
    std::vector<base::GeoPoint> locatedPoints;
    // The points of the request in flight, or of the requests that failed.
    std::vector<base::GeoPoint> locatedPointsToSend;
    // The game objects on the map, by object id.
    std::map<std::string, std::shared_ptr<RMMarker>> markers;
    // The player's own hero, or null.
    std::shared_ptr<RMMarker> vantryMarker;
    // The progress indicator, made on first use; the game screen owns it.
    QPointer<platform::ProgressHUD> progress;
    // The tip queue, made on first use; the head is the tip on screen. The
    // game screen owns the tips.
    std::optional<std::vector<QPointer<platform::CalloutView>>> tips;

    // The player key, set on the first request. (The request and the
    // bytes of its answer are the game screen's PlayExchange.)
    std::optional<std::string> UniquePlayerKey;

    // The game last shown; -1 until the first answer.
    std::int32_t currentScore = -1;
    std::int32_t currentPrincess = -1;
    std::int32_t currentLevel = -1;
    // How often each tip has been shown.
    std::int32_t CoinsTipShown = 0;
    std::int32_t PrincessTipShown = 0;
    std::int32_t TemperatureTipShown = 0;

    std::mutex pointsLock;
    std::mutex responseLock;
};

} // namespace game
