#include "GameService.h"

#include "Log.h"
#include "PlayRequest.h"

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

GameService::Outcome GameService::play(std::string_view body)
{
    protocol::PlayRequestReading reading = protocol::readPlayRequest(body);
    if (!reading.request)
        return { 400, reading.problem + '\n' };
    const PlayerStore::Deadline deadline = std::chrono::steady_clock::now() + kPatience;
    const TurnPlace turn = joinTurn(reading.request->key);
    const std::unique_lock inTurn(turn->mutex, deadline);
    if (!inTurn) {
        base::logf(
            "game: a request waited {} s for its player's previous one; answered 503", kPatience.count());
        return unavailable();
    }
    return playInTurn(*reading.request, deadline);
}

GameService::TurnPlace GameService::joinTurn(const std::string& key)
{
    const std::lock_guard lock(turnsMutex_);
    Turn& turn = turns_.try_emplace(key).first->second;
    ++turn.requests;
    return TurnPlace(&turn, [this, key](Turn* left) {
        const std::lock_guard lock(turnsMutex_);
        if (--left->requests == 0)
            turns_.erase(key);
    });
}

GameService::Outcome GameService::playInTurn(
    const protocol::PlayRequest& request, PlayerStore::Deadline deadline)
{
    // A player the server does not know yet sees an empty map, not an unchanged one.
    protocol::PlayAnswer answer;
    answer.objects.emplace();
    PlayerStore::Loaded loaded = store_.load(request.key, deadline);
    if (!loaded.ok)
        return unavailable();
    if (!loaded.player && request.points.empty())
        return { 200, protocol::writePlayAnswer(answer) };
    const double now = clock_();
    PlayerState player = loaded.player ? std::move(*loaded.player)
                                       : rules_.newPlayer(request.key, request.points.front(), now);
    if (!request.points.empty()) {
        rules_.play(player, request.points, now);
        if (!store_.save(player, deadline))
            return unavailable();
    }
    return { 200, protocol::writePlayAnswer(GameRules::answerFor(player)) };
}

} // namespace server
