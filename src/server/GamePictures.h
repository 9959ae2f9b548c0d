#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace server {

// A picture of a game object: its image name and PNG bytes.
struct GamePicture {
    std::string_view name;
    std::string_view png;
};

// The pictures the server serves under "/img/<name>.png", built into the program from
// resources/img (drawn by scripts/make-game-pictures.py): one for every image name the rules use.
// The PNG bytes, or none for a name without a picture.
std::optional<std::string_view> gamePicture(std::string_view imageName);
std::vector<std::string_view> gamePictureNames();

namespace embedded {
extern const GamePicture kGamePictures[];
extern const std::size_t kGamePictureCount;
} // namespace embedded

} // namespace server
