#pragma once

#include "PlayerState.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace server {

// Where the players' games are kept: SqlitePlayerStore (a file beside one server) or
// PostgresPlayerStore (a database that several servers share). The rules and GameService do not know
// which. Any thread may call, and no call waits for the database: the answers come through callbacks.
// A load and the save after it are not one transaction; a save states the basis of the game it was
// played on, and a store that finds the game written over since refuses it as stale, so that it is
// played again on the game as it is now and no update is lost.
class PlayerStore {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    virtual ~PlayerStore() = default;

    struct Loaded {
        bool ok = false; // false: the database failed (logged); `player` then means nothing
        std::optional<PlayerState> player; // none: no game under the key yet
        bool damaged = false; // the row is there but its game cannot be read (before it is set aside)
        std::uint64_t basis = 0; // what a save of a game played on this one states
    };
    using Loading = std::function<void(Loaded)>;
    // The player's game. One whose objects cannot be read is moved to the table `damaged_players` as
    // it was, logged under a short hash of the key, and the player then has no game; failed when that
    // cannot be done by `deadline`.
    virtual void load(std::string_view key, Deadline deadline, Loading done) = 0;

    enum class Saved {
        committed,
        failed, // the database failed or could not be had by the deadline (logged)
        stale, // played on a game that has been written over since: nothing saved
    };
    using Saving = std::function<void(Saved)>;
    // Saves the game played on a game loaded with `basis`; unless committed, the stored game is the
    // one before.
    virtual void save(PlayerState player, std::uint64_t basis, Deadline deadline, Saving done) = 0;

    // How many players have a game; waits for the answer.
    virtual std::optional<long long> playerCount() = 0;

    // For moving games between stores; both wait for the database. Calls `each` with every game
    // (damaged ones skipped, logged); false (logged) when the database failed.
    virtual bool forEachPlayer(const std::function<void(const PlayerState&)>& each) = 0;
    // Stores the game whatever is stored under its key.
    virtual bool replace(const PlayerState& player) = 0;
};

} // namespace server
