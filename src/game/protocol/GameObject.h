#pragma once

#include "Value.h"

#include <optional>
#include <string>

namespace game {

// One game object of a play answer: the server's array [id, latitude, longitude, image name, …].
struct GameObject {
    std::string id; // unique within one answer; names the object's marker
    double latitude = 0; // degrees, read as a 32-bit float then widened
    double longitude = 0; // degrees, read as a 32-bit float then widened
    std::string imageName; // "ms" and "ma" are the player's own hero

    bool isPlayerHero() const { return imageName == "ms" || imageName == "ma"; }
    friend bool operator==(const GameObject&, const GameObject&) = default;
};

// The game object in `entry`, or none when `entry` is not an array of at least four entries of the
// types above, or when a coordinate is beyond the float range. Entries after the fourth are ignored.
std::optional<GameObject> readGameObject(const json::Value& entry);

} // namespace game
