#pragma once

#include "PlayerStore.h"
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
class SqlitePlayerStore : public PlayerStore {
public:
    // Saves that may wait for the writer at once; beyond, a save fails at once.
    static constexpr std::size_t kWritesWaiting = 4096;
    // Games remembered at most.
    static constexpr std::size_t kRemembered = 20000;

    // Opens the database at `path`, creating it owner-only when missing; null, with a logged line,
    // when the file cannot be opened or written in write-ahead mode, is not a players database, is
    // damaged (SQLite's quick check) or comes from a newer server.
    static std::unique_ptr<SqlitePlayerStore> open(const std::string& path);
    // Finishes the saves under way first.
    ~SqlitePlayerStore();
    SqlitePlayerStore(const SqlitePlayerStore&) = delete;
    SqlitePlayerStore& operator=(const SqlitePlayerStore&) = delete;

    // Loads read the file (or the memory) before returning, except a damaged game's, which the writer
    // sets aside first.
    void load(std::string_view key, Deadline deadline, Loading done) override;

    // A basis is the generation of the memory a game came from, 0 for one read from the file, which
    // any save may replace. `done` is called mostly on the writer's thread.
    void save(PlayerState player, std::uint64_t basis, Deadline deadline, Saving done) override;
    std::optional<long long> playerCount() override;
    bool forEachPlayer(const std::function<void(const PlayerState&)>& each) override;
    bool replace(const PlayerState& player) override;

private:
    SqlitePlayerStore(std::shared_ptr<fmdb::FMDatabase> reader, std::shared_ptr<fmdb::FMDatabase> writer,
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
