#include "WalCheckpointer.h"

#include "FMDatabase.h"
#include "FMResultSet.h"
#include "Log.h"

namespace server {

namespace {
// A flood of saves grows the log by up to 250 MB a second on our test machine (60 through the HTTP
// server): looked at this often, it passes the restarting size by about 15 MB at most.
constexpr std::chrono::milliseconds kLogSizeCheck { 50 };
// Each frame of the log: a page and its header.
constexpr std::uintmax_t kFrameHeaderBytes = 24;
// How long a restarting checkpoint waits for the transaction under way and for readers of the log.
constexpr int kBusyTimeoutMilliseconds = 100;
} // namespace

std::unique_ptr<WalCheckpointer> WalCheckpointer::start(
    const std::string& path, std::chrono::milliseconds interval, std::uintmax_t restartAt)
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
    std::uintmax_t pageBytes = 4096;
    if (const std::shared_ptr<fmdb::FMResultSet> size = database->executeQuery("PRAGMA page_size");
        size && size->next()) {
        pageBytes = static_cast<std::uintmax_t>(size->longLongIntForColumnIndex(0));
        size->close();
    }
    return std::unique_ptr<WalCheckpointer>(
        new WalCheckpointer(std::move(database), pageBytes + kFrameHeaderBytes, interval, restartAt));
}

WalCheckpointer::WalCheckpointer(std::shared_ptr<fmdb::FMDatabase> database, std::uintmax_t frameBytes,
    std::chrono::milliseconds interval, std::uintmax_t restartAt)
    : database_(std::move(database))
    , frameBytes_(frameBytes)
    , interval_(interval)
    , restartAt_(restartAt)
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
    Clock::time_point nextRestart = Clock::now();
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, kLogSizeCheck, [this] { return stopping_; })) {
        lock.unlock();
        const Clock::time_point now = Clock::now();
        if (now >= nextRestart && static_cast<std::uintmax_t>(logFrames_.load()) * frameBytes_ > restartAt_) {
            if (copyWholeLog("RESTART"))
                logFrames_ = 0;
            else
                nextRestart = now + interval_;
        } else if (now >= nextPassive) {
            checkpoint("PASSIVE");
            nextPassive = now + interval_;
        }
        lock.lock();
    }
    lock.unlock();
    copyWholeLog("TRUNCATE");
}

bool WalCheckpointer::copyWholeLog(const char* mode)
{
    // The log's file syncs and most of the copying first, while the writers go on (under a flood of
    // saves that is 20 to 30 ms here); then they wait only for what they wrote meanwhile.
    checkpoint("PASSIVE");
    holdingWritersOff_ = true;
    const bool finished = checkpoint(mode);
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
