#include "GameService.h"

#include "Log.h"

namespace server {

namespace {
GameService::Outcome unavailable()
{
    return { 503, "the game cannot be played just now: the players database failed\n" };
}
} // namespace

double GameService::systemTime()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

void GameService::play(std::string_view body, Answer answer)
{
    protocol::PlayRequestReading reading = protocol::readPlayRequest(body);
    if (!reading.request)
        return answer({ 400, reading.problem + '\n' });
    auto request = std::make_unique<Request>(Request {
        std::move(*reading.request), std::chrono::steady_clock::now() + kPatience, std::move(answer), {} });
    {
        const std::lock_guard lock(turnsMutex_);
        const auto [turn, free] = turns_.try_emplace(request->play.key);
        if (!free) {
            // One request in flight per connection bounds the queue.
            turn->second.push_back(std::move(request));
            return;
        }
    }
    playInTurn(request.release());
}

void GameService::playInTurn(Request* request)
{
    if (std::chrono::steady_clock::now() >= request->deadline) {
        base::logf(
            "game: a request waited {} s for its player's previous one; answered 503", kPatience.count());
        return finish(request, unavailable());
    }
    store_.load(request->play.key, request->deadline,
        [this, request](PlayerStore::Loaded stored) { loaded(request, std::move(stored)); });
}

void GameService::loaded(Request* request, PlayerStore::Loaded stored)
{
    if (!stored.ok)
        return finish(request, unavailable());
    const protocol::PlayRequest& play = request->play;
    if (!stored.player && play.points.empty()) {
        // A player the server does not know yet sees an empty map, not an unchanged one.
        protocol::PlayAnswer empty;
        empty.objects.emplace();
        return finish(request, { 200, protocol::writePlayAnswer(empty) });
    }
    const double now = clock_();
    PlayerState player
        = stored.player ? std::move(*stored.player) : rules_.newPlayer(play.key, play.points.front(), now);
    if (play.points.empty())
        return finish(request, { 200, protocol::writePlayAnswer(GameRules::answerFor(player)) });
    rules_.play(player, play.points, now);
    // Made here, off the writer's thread; it leaves once the game is committed.
    request->saved = { 200, protocol::writePlayAnswer(GameRules::answerFor(player)) };
    store_.save(
        std::move(player), stored.basis, request->deadline, [this, request](PlayerStore::Saved saved) {
            // Another program wrote the game meanwhile: played again on what it wrote.
            if (saved == PlayerStore::Saved::stale)
                return defer_([this, request] { playInTurn(request); });
            finish(
                request, saved == PlayerStore::Saved::committed ? std::move(request->saved) : unavailable());
        });
}

void GameService::finish(Request* request, Outcome outcome)
{
    const std::unique_ptr<Request> finished(request);
    finished->answer(std::move(outcome));
    std::unique_ptr<Request> next;
    {
        const std::lock_guard lock(turnsMutex_);
        const auto turn = turns_.find(finished->play.key);
        if (turn->second.empty()) {
            turns_.erase(turn);
        } else {
            next = std::move(turn->second.front());
            turn->second.erase(turn->second.begin());
        }
    }
    if (next)
        defer_([this, next = next.release()] { playInTurn(next); });
}

} // namespace server
