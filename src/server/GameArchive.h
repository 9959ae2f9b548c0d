#pragma once

#include "PlayerStore.h"

#include <iosfwd>

#include <optional>
#include <string>
#include <string_view>

namespace server {

// Players' games as text, one game a line, to move them between stores (vantry-server --export and
// --import): a JSON object with "key", "level", "saved", "score", "total", "latitude", "longitude",
// "updated" and the lists "coins" and "princesses" of [id, latitude, longitude]. Numbers are written
// so that they read back exactly.
std::string archiveLine(const PlayerState& player);
// The game of one line; none, with what is wrong in `problem`, for anything else.
std::optional<PlayerState> gameFromArchiveLine(std::string_view line, std::string& problem);

// Writes every game of `store`, a line each; how many, or none (logged) when the store failed.
std::optional<long long> exportGames(PlayerStore& store, std::ostream& out);
// Reads every line first and stores nothing unless all are games ("line N: problem" otherwise);
// then stores each over whatever the store holds under its key. How many, or none with `problem`.
std::optional<long long> importGames(PlayerStore& store, std::istream& in, std::string& problem);

} // namespace server
