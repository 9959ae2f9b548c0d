#pragma once

#include "GameRules.h"
#include "PlayerStore.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace protocol {
struct PlayRequest;
}

namespace server {

// The play endpoint without HTTP: reads a request body, plays its points on the player's stored game,
// saves the game and then makes the answer. Any thread may call. One player's requests are played in
// turn; different players' at the same time, never waiting for each other.
class GameService {
public:
    // The time of a request, in seconds since 1970.
    using Clock = std::function<double()>;
    // The system's clock.
    static double systemTime();
    // How long a request may wait for its player's previous one and for the database's write lock.
    static constexpr std::chrono::seconds kPatience { 1 };

    // `store` is borrowed and must outlive the service; `clock` dates the requests.
    GameService(PlayerStore& store, GameRules rules, Clock clock = &systemTime)
        : store_(store)
        , rules_(rules)
        , clock_(std::move(clock))
    { }

    struct Outcome {
        int status = 200; // 200, 400 (bad request) or 503 (the database failed or stayed locked)
        std::string body; // the answer's JSON, or a one-line reason ending in a line feed
    };

    // A body that is not a play request changes nothing (400); a known player is answered with the
    // game after the points, an unknown one starts a game at the first point. The game is saved
    // before the answer is made; if saving fails, the answer is 503 and the stored game stays as it
    // was. A request without points answers the stored game (an empty one for an unknown key). A
    // request that cannot be played within kPatience is 503, logged once.
    Outcome play(std::string_view body);

private:
    // A player's requests take turns on the mutex; the entry lives while requests hold or await it.
    struct Turn {
        std::timed_mutex mutex;
        int requests = 0;
    };
    // Counts a request in for its player's turn; the pointer's end counts it out.
    using TurnPlace = std::unique_ptr<Turn, std::function<void(Turn*)>>;
    TurnPlace joinTurn(const std::string& key);
    Outcome playInTurn(const protocol::PlayRequest& request, PlayerStore::Deadline deadline);

    PlayerStore& store_;
    const GameRules rules_;
    const Clock clock_;
    std::mutex turnsMutex_;
    std::unordered_map<std::string, Turn> turns_;
};

} // namespace server
