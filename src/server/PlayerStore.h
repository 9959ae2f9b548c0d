#pragma once

#include "PlayerState.h"

#include <memory>
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
// second by a WalCheckpointer, off the path of the saves.
//
// One thread at a time; the caller serialises.
class PlayerStore {
public:
    // Opens the database at `path`, creating it owner-only when missing; null, with a logged line,
    // when the file cannot be opened or written in write-ahead mode, is not a players database, or
    // comes from a newer server.
    static std::unique_ptr<PlayerStore> open(const std::string& path);
    ~PlayerStore();
    PlayerStore(const PlayerStore&) = delete;
    PlayerStore& operator=(const PlayerStore&) = delete;

    struct Loaded {
        bool ok = false; // false: the database failed (logged); `player` then means nothing
        std::optional<PlayerState> player; // none: no game under the key yet
    };
    Loaded load(std::string_view key);

    // Inserts or replaces the player's game; false (logged) when the database failed, in which case
    // the stored game is the one before.
    bool save(const PlayerState& player);

    // How many players have a game.
    std::optional<long long> playerCount();

private:
    PlayerStore(std::shared_ptr<fmdb::FMDatabase> database, std::unique_ptr<WalCheckpointer> checkpointer);

    std::shared_ptr<fmdb::FMDatabase> database_;
    std::unique_ptr<WalCheckpointer> checkpointer_;
};

} // namespace server
