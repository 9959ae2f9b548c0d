#include "WalCheckpointer.h"

#include "FMDatabase.h"
#include "FMResultSet.h"
#include "Log.h"

namespace server {

std::unique_ptr<WalCheckpointer> WalCheckpointer::start(
    const std::string& path, std::chrono::milliseconds interval)
{
    auto database = std::make_shared<fmdb::FMDatabase>(path);
    if (!database->open()) {
        base::log(
            "players database: cannot open " + path + " for checkpoints: " + database->lastErrorMessage());
        return nullptr;
    }
    return std::unique_ptr<WalCheckpointer>(new WalCheckpointer(std::move(database), interval));
}

WalCheckpointer::WalCheckpointer(
    std::shared_ptr<fmdb::FMDatabase> database, std::chrono::milliseconds interval)
    : database_(std::move(database))
    , interval_(interval)
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
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, interval_, [this] { return stopping_; })) {
        lock.unlock();
        checkpoint("PASSIVE");
        lock.lock();
    }
    lock.unlock();
    checkpoint("TRUNCATE");
}

bool WalCheckpointer::checkpoint(const char* mode)
{
    const std::shared_ptr<fmdb::FMResultSet> result
        = database_->executeQuery(std::string("PRAGMA wal_checkpoint(") + mode + ")");
    // The first column is 1 when the checkpoint could not finish for a busy lock: not a failure.
    const bool done = result && result->next();
    if (result)
        result->close();
    if (!done && !failing_)
        base::log("players database: a checkpoint failed: " + database_->lastErrorMessage());
    failing_ = !done;
    return done;
}

} // namespace server
