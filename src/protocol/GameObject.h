#pragma once

#include "GeoPoint.h"
#include "Value.h"

#include <optional>
#include <string>
#include <string_view>

namespace protocol {

// The pictures the server names and the client interprets: the player's own
// hero (looking up while a princess is in sight), a coin, a princess.
inline constexpr std::string_view kHeroPicture = "ms";
inline constexpr std::string_view kHeroSeesPrincessPicture = "ma";
inline constexpr std::string_view kCoinPicture = "coin";
inline constexpr std::string_view kPrincessPicture = "princess";

// One game object of a play answer: the array [id, latitude, longitude, image name, …]. The
// client shows it as a marker named `id` with the picture "/img/<imageName>.png" standing on
// `where`.
struct GameObject {
    std::string id; // unique within one answer; names the object's marker
    base::GeoPoint where; // degrees; as read, each narrowed to a 32-bit float then widened
    std::string imageName;

    bool isPlayerHero() const { return imageName == kHeroPicture || imageName == kHeroSeesPrincessPicture; }
    friend bool operator==(const GameObject&, const GameObject&) = default;
};

// The game object in `entry`, or none when `entry` is not an array of at least four entries of the
// types above, or when a coordinate is beyond the float range. Entries after the fourth are ignored.
std::optional<GameObject> readGameObject(const json::Value& entry);

} // namespace protocol
