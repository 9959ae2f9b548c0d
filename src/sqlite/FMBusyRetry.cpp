#include "FMBusyRetry.h"

#include "Log.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>
#include <utility>

namespace fmdb {

FMBusyRetry::FMBusyRetry(int limit, std::function<void()> pause)
    : limit_(limit)
    , pause_(std::move(pause))
{ }

bool FMBusyRetry::again(int rc)
{
    if (rc != SQLITE_BUSY)
        return false;
    if (limit_ != 0 && retries_++ > limit_) {
        gaveUp_ = true;
        return false;
    }
    if (pause_)
        pause_();
    return true;
}

void FMBusyRetry::logGiveUp(std::string_view operation, int line, std::string_view databasePath)
{
    base::logf("{}:{} Database busy ({})", operation, line, databasePath);
    base::log("Database busy");
}

void FMBusyRetry::sleepBriefly()
{
    std::this_thread::sleep_for(std::chrono::microseconds(20));
}

} // namespace fmdb
