#include "WalCheckpointer.h"

#include "FMDatabase.h"
#include "FMResultSet.h"
#include "Log.h"

#include <filesystem>

namespace server {

namespace {
// A flood of saves grows the log by up to 250 MB a second on our test machine (30 through the HTTP
// server): looked at this often, it passes the truncating size by about 15 MB at most.
constexpr std::chrono::milliseconds kLogSizeCheck { 50 };
// How long a truncating checkpoint waits for the transaction under way and for readers of the log.
constexpr int kBusyTimeoutMilliseconds = 100;
} // namespace

std::unique_ptr<WalCheckpointer> WalCheckpointer::start(
    const std::string& path, std::chrono::milliseconds interval, std::uintmax_t truncateAt)
{
    auto database = std::make_shared<fmdb::FMDatabase>(path);
    if (!database->open()) {
        base::log(
            "players database: cannot open " + path + " for checkpoints: " + database->lastErrorMessage());
        return nullptr;
    }
    // SQLite waits for locks itself; the access layer is not to wait again, without end, on top.
    database->setBusyRetryTimeout(-1);
    const std::shared_ptr<fmdb::FMResultSet> timeout
        = database->executeQuery("PRAGMA busy_timeout=" + std::to_string(kBusyTimeoutMilliseconds));
    if (timeout)
        timeout->close();
    return std::unique_ptr<WalCheckpointer>(
        new WalCheckpointer(std::move(database), path + "-wal", interval, truncateAt));
}

WalCheckpointer::WalCheckpointer(std::shared_ptr<fmdb::FMDatabase> database, std::string logPath,
    std::chrono::milliseconds interval, std::uintmax_t truncateAt)
    : database_(std::move(database))
    , logPath_(std::move(logPath))
    , interval_(interval)
    , truncateAt_(truncateAt)
    , thread_([this] { run(); })
{ }

WalCheckpointer::~WalCheckpointer()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
    database_->close();
}

void WalCheckpointer::run()
{
    using Clock = std::chrono::steady_clock;
    Clock::time_point nextPassive = Clock::now() + interval_;
    Clock::time_point nextTruncate = Clock::now();
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, kLogSizeCheck, [this] { return stopping_; })) {
        lock.unlock();
        const Clock::time_point now = Clock::now();
        if (now >= nextTruncate && logSize() > truncateAt_) {
            if (!truncate())
                nextTruncate = now + interval_;
        } else if (now >= nextPassive) {
            checkpoint("PASSIVE");
            nextPassive = now + interval_;
        }
        lock.lock();
    }
    lock.unlock();
    truncate();
}

std::uintmax_t WalCheckpointer::logSize() const
{
    std::error_code missing;
    const std::uintmax_t size = std::filesystem::file_size(logPath_, missing);
    return missing ? 0 : size;
}

bool WalCheckpointer::truncate()
{
    // The log's file syncs and most of the copying first, while the writers go on (under a flood of
    // saves that is 20 to 30 ms here); then they wait only for what they wrote meanwhile.
    checkpoint("PASSIVE");
    holdingWritersOff_ = true;
    const bool finished = checkpoint("TRUNCATE");
    holdingWritersOff_ = false;
    return finished;
}

bool WalCheckpointer::checkpoint(const char* mode)
{
    const std::shared_ptr<fmdb::FMResultSet> result
        = database_->executeQuery(std::string("PRAGMA wal_checkpoint(") + mode + ")");
    const bool done = result && result->next();
    // The first column is 1 when a lock held elsewhere kept the checkpoint from finishing.
    const bool finished = done && result->intForColumnIndex(0) == 0;
    if (result)
        result->close();
    if (!done && !failing_)
        base::log("players database: a checkpoint failed: " + database_->lastErrorMessage());
    failing_ = !done;
    return finished;
}

} // namespace server
