#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace fmdb {
class FMDatabase;
}

namespace server {

// Copies a database's write-ahead log back into the database file, on a thread and a connection of
// its own, every `interval`: the file syncs a checkpoint needs then never hold up the connection
// that writes (which turns its own automatic checkpoints off). Passive checkpoints never wait for
// the writer; the log restarts from its beginning at the first write after one that copied it all.
class WalCheckpointer {
public:
    // Null (logged) when the database cannot be opened.
    static std::unique_ptr<WalCheckpointer> start(
        const std::string& path, std::chrono::milliseconds interval);
    // Stops the thread after one last checkpoint, which empties the log when nothing else writes.
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

private:
    WalCheckpointer(std::shared_ptr<fmdb::FMDatabase> database, std::chrono::milliseconds interval);
    void run();
    // False (logged once in a row of failures) when the checkpoint failed.
    bool checkpoint(const char* mode);

    std::shared_ptr<fmdb::FMDatabase> database_;
    const std::chrono::milliseconds interval_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool failing_ = false;
    std::thread thread_;
};

} // namespace server
