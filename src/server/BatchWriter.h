#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace fmdb {
class FMDatabase;
}

namespace server {

// Commits the writes of many requests together, on a thread and a connection of its own: whatever is
// queued when the write lock comes (up to kBatch writes) goes into one transaction, so that the lock,
// the log's frames and the commit are paid once for all of them. Each write's `done` is called after
// its transaction is committed (true) or given up (false), on the writer's thread; it must be quick.
//
// The write lock, which another program may hold, is waited for on the writer's thread only; a write
// still waiting at its deadline is given up, logged as "players database: cannot <what>: database is
// locked". A write whose statements fail is given up alone: its batch is rolled back and the others
// are written again. At most `capacity` writes wait; beyond, a write is given up at once.
class BatchWriter {
public:
    using Deadline = std::chrono::steady_clock::time_point;
    // Runs the write's statements on the writer's connection, inside the transaction; false: failed.
    using Statements = std::function<bool(fmdb::FMDatabase&)>;
    using Done = std::function<void(bool committed)>;
    // Looks at the file as each transaction begins, before its writes (the writer's thread).
    using Begun = std::function<void(fmdb::FMDatabase&)>;
    static constexpr std::size_t kBatch = 256;

    // `database` is the writer's own, open connection. While `holdOff` answers true no transaction
    // begins (a truncating checkpoint wants the log).
    BatchWriter(std::shared_ptr<fmdb::FMDatabase> database, std::function<bool()> holdOff,
        std::size_t capacity, Begun begun = {});
    // Writes or gives up everything queued (each by its deadline at the latest), then stops.
    ~BatchWriter();
    BatchWriter(const BatchWriter&) = delete;
    BatchWriter& operator=(const BatchWriter&) = delete;

    // Any thread. `what` names the write in the log ("save a player") and must outlive it.
    void write(std::string_view what, Deadline deadline, Statements statements, Done done);

private:
    struct Write {
        std::string_view what;
        Deadline deadline;
        Statements statements;
        Done done;
    };

    void run();
    // BEGIN IMMEDIATE; false when the lock is taken (or held off) or beginning failed, in which case
    // the writes that cannot wait longer are given up.
    bool begin();
    // Writes `batch_` in the transaction begun and ends it; the writes of a failed statement's batch
    // go back to the queue's front.
    void commitBatch();
    void giveUp(Write& write, std::string_view why);
    void giveUpOverdue(std::string_view why);

    std::shared_ptr<fmdb::FMDatabase> database_;
    const std::function<bool()> holdOff_;
    const std::size_t capacity_;
    const Begun begun_;
    // The writer thread's only.
    std::vector<Write> batch_;
    std::chrono::steady_clock::time_point lastBegin_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Write> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace server
