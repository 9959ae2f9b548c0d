#include "BatchWriter.h"

#include "FMDatabase.h"
#include "Log.h"

#include <sqlite3.h>

#include <algorithm>
#include <string>

namespace server {

namespace {
constexpr std::chrono::milliseconds kLockPoll { 1 };
// Under a stream of writes, transactions begin at most this often, each taking what came meanwhile:
// fewer, larger transactions, fewer wake-ups. A write that comes after a quiet spell begins at once.
constexpr std::chrono::microseconds kGather { 250 };
} // namespace

BatchWriter::BatchWriter(std::shared_ptr<fmdb::FMDatabase> database, std::function<bool()> holdOff,
    std::size_t capacity, Begun begun)
    : database_(std::move(database))
    , holdOff_(std::move(holdOff))
    , capacity_(capacity)
    , begun_(std::move(begun))
    , thread_([this] { run(); })
{
    batch_.reserve(kBatch);
}

BatchWriter::~BatchWriter()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void BatchWriter::write(std::string_view what, Deadline deadline, Statements statements, Done done)
{
    {
        const std::lock_guard lock(mutex_);
        if (queue_.size() < capacity_) {
            queue_.push_back({ what, deadline, std::move(statements), std::move(done) });
            // The writer waits for the queue only while it is empty.
            if (queue_.size() == 1)
                wake_.notify_one();
            return;
        }
    }
    Write refused { what, deadline, {}, std::move(done) };
    giveUp(refused, "too many writes waiting");
}

void BatchWriter::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            return;
        wake_.wait_until(lock, lastBegin_ + kGather, [this] { return stopping_; });
        lastBegin_ = std::chrono::steady_clock::now();
        lock.unlock();
        const bool begun = begin();
        lock.lock();
        if (!begun)
            continue;
        const std::size_t taken = std::min(queue_.size(), kBatch);
        std::move(
            queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(taken), std::back_inserter(batch_));
        queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(taken));
        lock.unlock();
        commitBatch();
        batch_.clear();
        lock.lock();
    }
}

bool BatchWriter::begin()
{
    // Straight to SQLite: the access layer would log every busy answer.
    const int begun = holdOff_ && holdOff_()
        ? SQLITE_BUSY
        : sqlite3_exec(database_->sqliteHandle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (begun == SQLITE_OK) {
        if (begun_)
            begun_(*database_);
        return true;
    }
    giveUpOverdue(begun == SQLITE_BUSY ? "database is locked" : database_->lastErrorMessage());
    std::this_thread::sleep_for(kLockPoll);
    return false;
}

void BatchWriter::commitBatch()
{
    fmdb::FMDatabase& database = *database_;
    const auto rollBack = [&database] {
        if (!sqlite3_get_autocommit(database.sqliteHandle()))
            database.executeUpdate("ROLLBACK");
    };
    for (std::size_t failed = 0; failed < batch_.size(); ++failed) {
        if (batch_[failed].statements(database))
            continue;
        const std::string why = database.lastErrorMessage();
        rollBack();
        giveUp(batch_[failed], why);
        const std::lock_guard lock(mutex_);
        for (std::size_t other = batch_.size(); other-- > 0;) {
            if (other != failed)
                queue_.push_front(std::move(batch_[other]));
        }
        return;
    }
    if (database.executeUpdate("COMMIT")) {
        for (Write& write : batch_)
            write.done(true);
        return;
    }
    const std::string why = database.lastErrorMessage();
    rollBack();
    for (Write& write : batch_)
        giveUp(write, why);
}

void BatchWriter::giveUp(Write& write, std::string_view why)
{
    base::logf("players database: cannot {}: {}", write.what, why);
    write.done(false);
}

void BatchWriter::giveUpOverdue(std::string_view why)
{
    std::vector<Write> overdue;
    {
        const std::lock_guard lock(mutex_);
        const Deadline now = std::chrono::steady_clock::now();
        for (auto write = queue_.begin(); write != queue_.end();) {
            if (write->deadline <= now) {
                overdue.push_back(std::move(*write));
                write = queue_.erase(write);
            } else {
                ++write;
            }
        }
    }
    for (Write& write : overdue)
        giveUp(write, why);
}

} // namespace server
