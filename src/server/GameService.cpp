#include "GameService.h"

#include "PlayRequest.h"

#include <chrono>

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
    const protocol::PlayRequest& request = *reading.request;

    // A player the server does not know yet sees an empty map, not an unchanged one.
    protocol::PlayAnswer answer;
    answer.objects.emplace();
    {
        const std::lock_guard lock(mutex_);
        PlayerStore::Loaded loaded = store_.load(request.key);
        if (!loaded.ok)
            return unavailable();
        if (!loaded.player && request.points.empty())
            return { 200, protocol::writePlayAnswer(answer) };
        const double now = clock_();
        PlayerState player = loaded.player ? std::move(*loaded.player)
                                           : rules_.newPlayer(request.key, request.points.front(), now);
        if (!request.points.empty()) {
            rules_.play(player, request.points, now);
            if (!store_.save(player))
                return unavailable();
        }
        answer = GameRules::answerFor(player);
    }
    return { 200, protocol::writePlayAnswer(answer) };
}

} // namespace server
