#pragma once

#include "PlayerState.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace server {

// The games the store committed lately, as committed, so that a player's next request need not read
// and decode its row again. A game is taken out to be played (not copied) and remembered again once
// its next save is committed; one player's requests take turns, so nobody else needs it meanwhile.
// Valid while no other program writes the file: when one has, everything is forgotten and the
// generation moves on, so that a game played from memory before can tell it is stale. At most
// `capacity` players; when full, everything is forgotten. Any thread.
class RememberedGames {
public:
    explicit RememberedGames(std::size_t capacity)
        : capacity_(capacity)
    { }

    struct Found {
        PlayerState player;
        std::uint64_t generation;
    };
    std::optional<Found> take(std::string_view key);
    void remember(PlayerState player);
    // Another program wrote the file.
    void forgetAll();
    std::uint64_t generation();

private:
    // Looks keys up without copying them.
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return std::hash<std::string_view> {}(key); }
    };

    const std::size_t capacity_;
    std::mutex mutex_;
    // A player's place stays while the game is out, so that remembering it again costs no allocation.
    std::unordered_map<std::string, std::optional<PlayerState>, KeyHash, std::equal_to<>> games_;
    std::uint64_t generation_ = 1;
};

} // namespace server
