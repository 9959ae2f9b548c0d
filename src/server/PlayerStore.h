#pragma once

#include "PlayerState.h"
#include "RememberedGames.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
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

class BatchWriter;
class WalCheckpointer;

// The players' games in one SQLite database file (write-ahead log, synchronous=NORMAL): every save is
// committed, written to the log, before its `done` is called, so a server that stops or crashes after
// answering keeps what it answered. (A power cut may lose the last moments' saves; docs/architecture.md
// says why that is the trade made.) Saves are committed by a BatchWriter, many players' in one
// transaction. The log is copied into the file every second by a WalCheckpointer, off the path of the
// saves, and started again from its beginning whenever it holds 16 MiB.
//
// Any thread may call, and no call waits for a lock: loads read on a connection of their own, one at a
// time, and fail at once when the file is busy; writes wait for the write lock, which another program
// may hold, on the writer's thread. A load and the save after it are not one transaction: the caller
// keeps one player's requests in turn.
//
// The games committed lately are remembered (RememberedGames) and loaded from memory. Another program
// may still write the file: the writer notices at its next transaction, forgets them all, and refuses
// the saves of games that were loaded from memory before (stale), which are to be played again from
// the file. Until then a load may answer the game as this server last committed it.
class PlayerStore {
public:
    using Deadline = std::chrono::steady_clock::time_point;
    // Saves that may wait for the writer at once; beyond, a save fails at once.
    static constexpr std::size_t kWritesWaiting = 4096;
    // Games remembered at most.
    static constexpr std::size_t kRemembered = 20000;

    // Opens the database at `path`, creating it owner-only when missing; null, with a logged line,
    // when the file cannot be opened or written in write-ahead mode, is not a players database, is
    // damaged (SQLite's quick check) or comes from a newer server.
    static std::unique_ptr<PlayerStore> open(const std::string& path);
    // Finishes the saves under way first.
    ~PlayerStore();
    PlayerStore(const PlayerStore&) = delete;
    PlayerStore& operator=(const PlayerStore&) = delete;

    struct Loaded {
        bool ok = false; // false: the database failed (logged); `player` then means nothing
        std::optional<PlayerState> player; // none: no game under the key yet
        bool damaged = false; // the row is there but its game cannot be read (before it is set aside)
        std::uint64_t basis = 0; // the generation of the memory it came from; 0: read from the file
    };
    using Loading = std::function<void(Loaded)>;
    // Calls `done` with the player's game before returning, except for a game whose objects cannot be
    // read: that one is moved to the table `damaged_players` as it was, with the time, and logged under
    // a short hash of the key, and `done` is called from the writer's thread once it is (the player then
    // has no game), or failed at `deadline`.
    void load(std::string_view key, Deadline deadline, Loading done);

    enum class Saved {
        committed,
        failed, // the database failed or the write lock stayed taken until the deadline (logged)
        stale, // played on a game from memory that another program has written over since
    };
    using Saving = std::function<void(Saved)>;
    // Inserts or replaces the player's game played on a game loaded with `basis`; `done` (mostly on the
    // writer's thread) says how it went. Unless committed, the stored game is the one before.
    void save(PlayerState player, std::uint64_t basis, Deadline deadline, Saving done);

    // How many players have a game.
    std::optional<long long> playerCount();

private:
    PlayerStore(std::shared_ptr<fmdb::FMDatabase> reader, std::shared_ptr<fmdb::FMDatabase> writer,
        std::unique_ptr<WalCheckpointer> checkpointer);
    // The row under `key`, read on the reader's connection.
    Loaded read(std::string_view key);
    void setAside(const std::string& key, Deadline deadline, Loading done);
    // As the writer begins a transaction: forgets the remembered games if another program committed
    // since the last one.
    void noticeOtherWriters(fmdb::FMDatabase& database);

    std::shared_ptr<fmdb::FMDatabase> reader_;
    std::mutex readerTurn_;
    std::shared_ptr<fmdb::FMDatabase> writerConnection_;
    std::unique_ptr<WalCheckpointer> checkpointer_;
    RememberedGames remembered_ { kRemembered };
    std::optional<long long> dataVersion_; // the writer's only
    std::unique_ptr<BatchWriter> writer_;
};

} // namespace server
