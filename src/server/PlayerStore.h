#pragma once

#include "PlayerState.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace fmdb {
class FMDatabase;
}

namespace server {

class WalCheckpointer;

// The players' games in one SQLite database file (write-ahead log, synchronous=NORMAL): every save is
// one committed transaction, written to the log before `save` returns, so a server that stops or
// crashes after answering keeps what it answered. (A power cut may lose the last moments' saves;
// docs/architecture.md says why that is the trade made.) The log is copied into the file every
// second by a WalCheckpointer, off the path of the saves, and emptied whenever it passes 16 MiB.
//
// Any thread may call. Statements take turns on one connection, one statement (or one short write
// transaction) at a time; waiting for the write lock, which another program may hold, happens off the
// connection, so other players' games are read meanwhile. A load and the save after it are not one
// transaction: the caller keeps one player's requests in turn.
class PlayerStore {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    // Opens the database at `path`, creating it owner-only when missing; null, with a logged line,
    // when the file cannot be opened or written in write-ahead mode, is not a players database, is
    // damaged (SQLite's quick check) or comes from a newer server.
    static std::unique_ptr<PlayerStore> open(const std::string& path);
    ~PlayerStore();
    PlayerStore(const PlayerStore&) = delete;
    PlayerStore& operator=(const PlayerStore&) = delete;

    struct Loaded {
        bool ok = false; // false: the database failed (logged); `player` then means nothing
        std::optional<PlayerState> player; // none: no game under the key yet
    };
    // A game whose objects cannot be read is moved to the table `damaged_players` as it was, with the
    // time, and logged under a short hash of the key; the player then has no game. Setting it aside
    // waits for the write lock until `deadline` at most.
    Loaded load(std::string_view key, Deadline deadline);

    // Inserts or replaces the player's game; false (logged) when the database failed or the write lock
    // stayed taken until `deadline`, in which case the stored game is the one before.
    bool save(const PlayerState& player, Deadline deadline);

    // How many players have a game.
    std::optional<long long> playerCount();

private:
    PlayerStore(std::shared_ptr<fmdb::FMDatabase> database, std::unique_ptr<WalCheckpointer> checkpointer);
    // Runs `statements` in one transaction holding the write lock, which it waits for until `deadline`
    // off the connection; false, logged as "players database: cannot <what>: <why>", when the lock
    // did not come or a statement failed, and then nothing is changed.
    bool write(std::string_view what, Deadline deadline, const std::function<bool()>& statements);
    bool setAside(const std::string& key, Deadline deadline);

    std::shared_ptr<fmdb::FMDatabase> database_;
    std::mutex connection_;
    std::unique_ptr<WalCheckpointer> checkpointer_;
};

} // namespace server
