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
// log holds more than `restartAt` bytes (as the writer reports it, looked at every 50 ms), a passive
// checkpoint copies what it can and then a restarting checkpoint holds writers off and copies the rest,
// so that the next write starts the log again from its beginning (its file keeps its size). Unlike
// emptying the file, that leaves the writer's view of the database unchanged (SQLite's data_version
// moves only for other programs' writes), and spares the file's truncation (6 ms here). If another
// program reads an old snapshot, the checkpoint cannot finish; it is tried again after the next
// interval. The last checkpoint, at the end, empties the log's file.
class WalCheckpointer {
public:
    // Null (logged) when the database cannot be opened.
    static std::unique_ptr<WalCheckpointer> start(
        const std::string& path, std::chrono::milliseconds interval, std::uintmax_t restartAt);
    // Stops the thread after one last truncating checkpoint, which empties the log when nothing else
    // writes.
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

    // True while a restarting checkpoint wants the log: the writers of this process then begin no
    // transaction (they wait, as for any lock), so that it finds the write lock free at once instead
    // of racing them for it. Any thread.
    bool holdsWritersOff() const { return holdingWritersOff_.load(); }
    // The writer's connection reports the frames in the log after each commit (its SQLite WAL hook).
    void logHolds(int frames) { logFrames_ = frames; }

private:
    WalCheckpointer(std::shared_ptr<fmdb::FMDatabase> database, std::uintmax_t frameBytes,
        std::chrono::milliseconds interval, std::uintmax_t restartAt);
    void run();
    // A passive checkpoint, then one of `mode` with the writers held off; true when it copied the
    // whole log.
    bool copyWholeLog(const char* mode);
    // False when the checkpoint failed (logged once in a row of failures) or could not finish for a
    // lock another connection held (not a failure).
    bool checkpoint(const char* mode);

    std::shared_ptr<fmdb::FMDatabase> database_;
    const std::uintmax_t frameBytes_;
    const std::chrono::milliseconds interval_;
    const std::uintmax_t restartAt_;
    std::atomic<bool> holdingWritersOff_ { false };
    std::atomic<int> logFrames_ { 0 };
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool failing_ = false;
    std::thread thread_;
};

} // namespace server
