#include "RememberedGames.h"

namespace server {

std::optional<RememberedGames::Found> RememberedGames::find(std::string_view key)
{
    const std::lock_guard lock(mutex_);
    const auto found = games_.find(key);
    if (found == games_.end())
        return std::nullopt;
    return Found { found->second, generation_ };
}

void RememberedGames::remember(PlayerState player)
{
    const std::lock_guard lock(mutex_);
    if (games_.size() >= capacity_ && !games_.contains(player.key))
        games_.clear();
    std::string key = player.key;
    games_.insert_or_assign(std::move(key), std::move(player));
}

void RememberedGames::forget(const std::string& key)
{
    const std::lock_guard lock(mutex_);
    games_.erase(key);
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
