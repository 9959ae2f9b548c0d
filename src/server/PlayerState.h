#pragma once

#include "GeoPoint.h"

#include <string>
#include <vector>

namespace server {

// Something the rules hid for a player: a coin or a princess, with an id unique within the player's
// game (it names the object's marker on the client).
struct PlacedObject {
    std::string id;
    base::GeoPoint where;
    friend bool operator==(const PlacedObject&, const PlacedObject&) = default;
};

// Everything the server keeps of one player's game. A player exists from the first point the
// server received for the key.
struct PlayerState {
    std::string key;
    int level = 0; // "L"
    int saved = 0; // "P": princesses saved on this level
    int score = 0; // "S": coins collected, all levels together
    int total = 0; // "T": coins placed, all levels together
    base::GeoPoint position; // the latest point the rules took
    double lastMoved = 0; // when the rules took it, in seconds since 1970
    std::vector<PlacedObject> coins; // still to collect
    std::vector<PlacedObject> princesses; // still to save
    friend bool operator==(const PlayerState&, const PlayerState&) = default;
};

} // namespace server
