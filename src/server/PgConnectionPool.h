#pragma once

#include "PgConnection.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace server {

// Runs work for the players' database on a few threads, each with a connection of its own to one
// PostgreSQL database, so that no other thread ever waits for the database. A lost connection is
// opened again for the next piece of work; while the database cannot be reached, attempts pause
// from 1 s doubling to 30 s and work fails at once meanwhile, and the log says so once, and again
// when the database is back. At most `capacity` pieces wait; beyond, work fails at once.
class PgConnectionPool {
public:
    using Deadline = std::chrono::steady_clock::time_point;
    // Gets the connection to work on, or null when the work cannot run: the database is out of
    // reach, the work waited past its deadline, too much work waits, or the pool stops.
    using Work = std::function<void(PgConnection* connection)>;

    static constexpr std::chrono::seconds kFirstPause { 1 };
    static constexpr std::chrono::seconds kLongestPause { 30 };

    // Opens no connection yet. `statementTimeout` bounds each statement.
    PgConnectionPool(
        std::string uri, int connections, std::size_t capacity, std::chrono::milliseconds statementTimeout);
    // Fails the work still waiting, finishes what runs, then stops.
    ~PgConnectionPool();
    PgConnectionPool(const PgConnectionPool&) = delete;
    PgConnectionPool& operator=(const PgConnectionPool&) = delete;

    // Any thread.
    void run(Deadline deadline, Work work);

private:
    struct Waiting {
        Deadline deadline;
        Work work;
    };

    void serve();
    // The thread's connection, opened again if it was lost; null while the database is out of reach.
    PgConnection* connection(std::unique_ptr<PgConnection>& own);

    const std::string uri_;
    const std::size_t capacity_;
    const std::chrono::milliseconds statementTimeout_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Waiting> queue_;
    bool stopping_ = false;
    // While the database is out of reach: when the next attempt may be, and the pause after it.
    bool unreachable_ = false;
    std::chrono::steady_clock::time_point nextAttempt_;
    std::chrono::seconds pause_ { 0 };
    std::vector<std::thread> threads_;
};

} // namespace server
