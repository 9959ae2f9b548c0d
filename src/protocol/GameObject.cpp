#include "GameObject.h"

#include <cmath>

namespace protocol {

std::optional<GameObject> readGameObject(const json::Value& entry)
{
    const json::Array* fields = entry.asArray();
    if (!fields || fields->size() < 4)
        return std::nullopt;
    const std::optional<std::string_view> id = (*fields)[0].asString();
    const std::optional<json::Decimal> latitude = (*fields)[1].asNumber();
    const std::optional<json::Decimal> longitude = (*fields)[2].asNumber();
    const std::optional<std::string_view> imageName = (*fields)[3].asString();
    if (!id || !latitude || !longitude || !imageName)
        return std::nullopt;
    const float latitudeDegrees = latitude->floatValue();
    const float longitudeDegrees = longitude->floatValue();
    if (!std::isfinite(latitudeDegrees) || !std::isfinite(longitudeDegrees))
        return std::nullopt;
    return GameObject { std::string(*id), { latitudeDegrees, longitudeDegrees }, std::string(*imageName) };
}

} // namespace protocol
