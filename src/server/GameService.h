#pragma once

#include "GameRules.h"
#include "PlayRequest.h"
#include "PlayerStore.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace server {

// The play endpoint without HTTP: reads a request body, plays its points on the player's stored game,
// saves the game and then answers. Any thread may call; no call waits: the answer comes through a
// callback, at once or from another thread once the game is saved. One player's requests are played
// in turn; different players' at the same time, never waiting for each other.
class GameService {
public:
    // The time of a request, in seconds since 1970.
    using Clock = std::function<double()>;
    // The system's clock.
    static double systemTime();
    // Runs a request that waited for its player's previous one, later and elsewhere (the server hands
    // it to its connections' threads, since a turn may pass on the writer's thread).
    using Defer = std::function<void(std::function<void()>)>;
    static void runAtOnce(std::function<void()> work) { work(); }
    // How long a request may wait for its player's previous one and for the database's write lock.
    static constexpr std::chrono::seconds kPatience { 1 };

    // `store` is borrowed and must outlive the service; `clock` dates the requests.
    GameService(PlayerStore& store, GameRules rules, Clock clock = &systemTime, Defer defer = &runAtOnce)
        : store_(store)
        , rules_(rules)
        , clock_(std::move(clock))
        , defer_(std::move(defer))
    { }

    struct Outcome {
        int status = 200; // 200, 400 (bad request) or 503 (the database failed or stayed locked)
        std::string body; // the answer's JSON, or a one-line reason ending in a line feed
    };
    // Called once per request, from any thread.
    using Answer = std::function<void(Outcome)>;

    // A body that is not a play request changes nothing (400); a known player is answered with the
    // game after the points, an unknown one starts a game at the first point. The answer leaves only
    // once the game is committed; if saving fails, the answer is 503 and the stored game stays as it
    // was. A request without points answers the stored game (an empty one for an unknown key). A
    // request that cannot be played within kPatience is 503, logged once.
    void play(std::string_view body, Answer answer);

private:
    struct Request {
        protocol::PlayRequest play;
        PlayerStore::Deadline deadline;
        Answer answer;
        Outcome saved; // the answer once the game is committed
    };
    // A request in its player's turn is owned by the callbacks of its steps (two pointers each, within
    // std::function's own room) until `finish`, which is called exactly once and deletes it.
    void playInTurn(Request* request);
    void loaded(Request* request, PlayerStore::Loaded loaded);
    // Answers and passes the player's turn to their next request.
    void finish(Request* request, Outcome outcome);

    PlayerStore& store_;
    const GameRules rules_;
    const Clock clock_;
    const Defer defer_;
    std::mutex turnsMutex_;
    // The requests waiting for their player's turn, under the key of each player one plays for.
    std::unordered_map<std::string, std::vector<std::unique_ptr<Request>>> turns_;
};

} // namespace server
