#pragma once

#include "PlayerStore.h"

#include <future>
#include <memory>
#include <string>

namespace server::test {

// A store's answers, waited for.
inline PlayerStore::Deadline soon()
{
    return std::chrono::steady_clock::now() + std::chrono::seconds(2);
}

inline PlayerStore::Loaded load(PlayerStore& store, std::string_view key)
{
    auto loaded = std::make_shared<std::promise<PlayerStore::Loaded>>();
    store.load(key, soon(), [loaded](PlayerStore::Loaded game) { loaded->set_value(std::move(game)); });
    return loaded->get_future().get();
}

inline PlayerStore::Saved save(PlayerStore& store, const PlayerState& player, std::uint64_t basis)
{
    auto saved = std::make_shared<std::promise<PlayerStore::Saved>>();
    store.save(player, basis, soon(), [saved](PlayerStore::Saved outcome) { saved->set_value(outcome); });
    return saved->get_future().get();
}

// A game with numbers that only an exact store keeps, and a key that quoting must survive.
inline PlayerState aGame(std::string key = "player \"7\" \xC3\xA9'; --")
{
    PlayerState player;
    player.key = std::move(key);
    player.level = 2;
    player.saved = 1;
    player.score = 9;
    player.total = 11;
    player.position = { -33.858771123456789, 151.20159612345678 };
    player.lastMoved = 1765000000.123456;
    player.coins
        = { { "c2-1", { 0.1 + 0.2, -1e-300 } }, { "c2-3", { 89.99999999999999, -179.99999999999997 } } };
    player.princesses = { { "p2-2", { 51.507400000000004, -0.1278 } } };
    return player;
}

} // namespace server::test
