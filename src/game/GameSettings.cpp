#include "GameSettings.h"

#include "Device.h"

namespace game {

GameSettings& GameSettings::shared()
{
    static GameSettings settings;
    return settings;
}

std::string GameSettings::playerKey()
{
    if (const auto& key = shared().playerKeyOverride)
        return *key;
    return platform::Device::uniqueIdentifier().value_or("518240697735");
}

} // namespace game
