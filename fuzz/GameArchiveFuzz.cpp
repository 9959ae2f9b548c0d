// vantry-server --import's reading of a line of games, on arbitrary bytes: a game read back must
// write and read again to itself, and anything else is refused with a one-line reason.
#include "GameArchive.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string problem;
    const std::optional<server::PlayerState> game
        = server::gameFromArchiveLine(std::string_view(reinterpret_cast<const char*>(data), size), problem);
    if (!game) {
        if (problem.empty() || problem.find('\n') != std::string::npos)
            std::abort();
        return 0;
    }
    if (game->key.empty() || game->level < 0 || game->score < 0 || !base::isValidCoordinate(game->position))
        std::abort();
    std::string again;
    if (server::gameFromArchiveLine(server::archiveLine(*game), again) != game)
        std::abort();
    return 0;
}
