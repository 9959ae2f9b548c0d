#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace fmdb {
class FMDatabase;
}

namespace server {

// Copies a database's write-ahead log back into the database file, on a thread and a connection of
// its own, so that the file syncs a checkpoint needs never hold up the connection that writes (which
// turns its own automatic checkpoints off).
//
// Every `interval` a passive checkpoint copies what it can without waiting for anyone. Under a
// steady stream of writes that never catches up, and the log would grow without end; so whenever the
// log file passes `truncateAt` bytes (looked at every 50 ms), a passive checkpoint copies what it can
// and then a truncating checkpoint holds writers off, copies the rest of the log and empties its file.
// If another program reads an old snapshot, that one cannot finish; it is tried again after the next
// interval.
class WalCheckpointer {
public:
    // Null (logged) when the database cannot be opened.
    static std::unique_ptr<WalCheckpointer> start(
        const std::string& path, std::chrono::milliseconds interval, std::uintmax_t truncateAt);
    // Stops the thread after one last truncating checkpoint, which empties the log when nothing else
    // writes.
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

    // True while a truncating checkpoint wants the log: the writers of this process then begin no
    // transaction (they wait, as for any lock), so that it finds the write lock free at once instead
    // of racing them for it. Any thread.
    bool holdsWritersOff() const { return holdingWritersOff_.load(); }

private:
    WalCheckpointer(std::shared_ptr<fmdb::FMDatabase> database, std::string logPath,
        std::chrono::milliseconds interval, std::uintmax_t truncateAt);
    void run();
    std::uintmax_t logSize() const;
    // True when it copied the whole log.
    bool truncate();
    // False when the checkpoint failed (logged once in a row of failures) or could not finish for a
    // lock another connection held (not a failure).
    bool checkpoint(const char* mode);

    std::shared_ptr<fmdb::FMDatabase> database_;
    const std::string logPath_;
    const std::chrono::milliseconds interval_;
    const std::uintmax_t truncateAt_;
    std::atomic<bool> holdingWritersOff_ { false };
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool failing_ = false;
    std::thread thread_;
};

} // namespace server
