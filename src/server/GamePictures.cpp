#include "GamePictures.h"

#include <span>

namespace server {

namespace {
std::span<const GamePicture> pictures()
{
    return { embedded::kGamePictures, embedded::kGamePictureCount };
}
} // namespace

std::optional<std::string_view> gamePicture(std::string_view imageName)
{
    for (const GamePicture& picture : pictures()) {
        if (picture.name == imageName)
            return picture.png;
    }
    return std::nullopt;
}

std::vector<std::string_view> gamePictureNames()
{
    std::vector<std::string_view> names;
    for (const GamePicture& picture : pictures())
        names.push_back(picture.name);
    return names;
}

} // namespace server
