#include "GameService.h"

#include "PlayRequestReader.h"

namespace server {

namespace {
GameService::Outcome unavailable()
{
    return { 503, "the game cannot be played just now: the players database failed\n" };
}
} // namespace

GameService::Outcome GameService::play(std::string_view body)
{
    PlayRequestReading reading = readPlayRequest(body);
    if (!reading.request)
        return { 400, reading.problem + '\n' };
    const PlayRequest& request = *reading.request;

    PlayAnswer answer;
    {
        const std::lock_guard lock(mutex_);
        PlayerStore::Loaded loaded = store_.load(request.key);
        if (!loaded.ok)
            return unavailable();
        if (!loaded.player && request.points.empty())
            return { 200, writePlayAnswer(answer) };
        PlayerState player = loaded.player ? std::move(*loaded.player)
                                           : rules_.newPlayer(request.key, request.points.front());
        if (!request.points.empty()) {
            rules_.play(player, request.points);
            if (!store_.save(player))
                return unavailable();
        }
        answer = GameRules::answerFor(player);
    }
    return { 200, writePlayAnswer(answer) };
}

} // namespace server
