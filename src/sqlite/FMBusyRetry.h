#pragma once

#include <functional>
#include <string_view>

namespace fmdb {

// Decides, for one SQLite call, whether a busy answer is tried again.
// With a limit of 0 every busy answer is retried; with a limit T > 0 the
// call gives up on the (T + 2)-th consecutive busy answer, and with a
// negative one on the first. Each retry is
// preceded by the pause (20 microseconds unless a connection sets another).
//
//     FMBusyRetry retry(limit, pause);
//     do rc = sqlite3_step(statement); while (retry.again(rc));
//     if (retry.gaveUp()) ...
class FMBusyRetry {
public:
    FMBusyRetry(int limit, std::function<void()> pause);

    // True when `rc` is SQLITE_BUSY and the call is to be made again; the
    // pause has then already been taken.
    bool again(int rc);
    bool gaveUp() const { return gaveUp_; }

    // The two lines logged when an operation gives up on a busy database.
    static void logGiveUp(std::string_view operation, int line, std::string_view databasePath);

    // Sleeps 20 microseconds: the pause a connection starts with.
    static void sleepBriefly();

private:
    int limit_;
    std::function<void()> pause_;
    int retries_ = 0;
    bool gaveUp_ = false;
};

} // namespace fmdb
