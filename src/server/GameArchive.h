#pragma once

#include "PlayerState.h"

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

} // namespace server
