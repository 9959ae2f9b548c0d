#pragma once

#include "PlayerState.h"
#include "Value.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace server {

// How both stores keep a game's objects in a row: a JSON list of [id, latitude, longitude].
std::string objectsText(const std::vector<PlacedObject>& objects);
// None when the text is not such a list.
std::optional<std::vector<PlacedObject>> objectsFrom(std::string_view text);
// The objects of such a list once parsed; none when the value is not one.
std::optional<std::vector<PlacedObject>> objectsOf(const json::Value& list);

// Names a player in the log without giving away the key, which is all a client needs to play as
// them: the first 12 hexadecimal digits of its SHA-256.
std::string shortHash(std::string_view key);

} // namespace server
