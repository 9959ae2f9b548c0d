#include "RememberedGames.h"

namespace server {

std::optional<RememberedGames::Found> RememberedGames::take(std::string_view key)
{
    const std::lock_guard lock(mutex_);
    const auto found = games_.find(key);
    if (found == games_.end() || !found->second)
        return std::nullopt;
    Found taken { std::move(*found->second), generation_ };
    found->second.reset();
    return taken;
}

void RememberedGames::remember(PlayerState player)
{
    const std::lock_guard lock(mutex_);
    if (const auto place = games_.find(player.key); place != games_.end()) {
        place->second = std::move(player);
        return;
    }
    if (games_.size() >= capacity_)
        games_.clear();
    std::string key = player.key;
    games_.emplace(std::move(key), std::move(player));
}

void RememberedGames::forgetAll()
{
    const std::lock_guard lock(mutex_);
    games_.clear();
    ++generation_;
}

std::uint64_t RememberedGames::generation()
{
    const std::lock_guard lock(mutex_);
    return generation_;
}

} // namespace server
