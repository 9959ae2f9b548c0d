#include "PgConnectionPool.h"

#include "Log.h"

#include <algorithm>
#include <utility>

namespace server {

namespace {
// How long one attempt to connect may take.
constexpr std::chrono::seconds kConnectPatience { 2 };
} // namespace

PgConnectionPool::PgConnectionPool(
    std::string uri, int connections, std::size_t capacity, std::chrono::milliseconds statementTimeout)
    : uri_(std::move(uri))
    , capacity_(capacity)
    , statementTimeout_(statementTimeout)
{
    for (int i = 0; i < std::max(1, connections); ++i)
        threads_.emplace_back([this] { serve(); });
}

PgConnectionPool::~PgConnectionPool()
{
    std::deque<Waiting> left;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        left.swap(queue_);
    }
    wake_.notify_all();
    for (Waiting& waiting : left)
        waiting.work(nullptr);
    for (std::thread& thread : threads_)
        thread.join();
}

void PgConnectionPool::run(Deadline deadline, Work work)
{
    {
        std::unique_lock lock(mutex_);
        const bool refused = stopping_ || queue_.size() >= capacity_
            || (unreachable_ && std::chrono::steady_clock::now() < nextAttempt_);
        if (!refused) {
            queue_.push_back({ deadline, std::move(work) });
            lock.unlock();
            wake_.notify_one();
            return;
        }
    }
    work(nullptr);
}

void PgConnectionPool::serve()
{
    std::unique_ptr<PgConnection> own;
    for (;;) {
        Waiting waiting;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty())
                return;
            waiting = std::move(queue_.front());
            queue_.pop_front();
        }
        if (std::chrono::steady_clock::now() >= waiting.deadline) {
            waiting.work(nullptr);
            continue;
        }
        waiting.work(connection(own));
        if (own && own->isBroken())
            own.reset();
    }
}

PgConnection* PgConnectionPool::connection(std::unique_ptr<PgConnection>& own)
{
    if (own)
        return own.get();
    {
        const std::lock_guard lock(mutex_);
        if (unreachable_ && std::chrono::steady_clock::now() < nextAttempt_)
            return nullptr;
    }
    std::string failure;
    own = PgConnection::open(uri_, kConnectPatience, statementTimeout_, failure);
    const std::lock_guard lock(mutex_);
    if (own) {
        if (std::exchange(unreachable_, false))
            base::logf("players database: {} answers again", PgConnection::describe(uri_));
        pause_ = std::chrono::seconds(0);
        return own.get();
    }
    if (!std::exchange(unreachable_, true))
        base::logf(
            "players database: cannot reach {}: {}; trying again", PgConnection::describe(uri_), failure);
    pause_ = std::clamp(2 * pause_, std::chrono::seconds(kFirstPause), std::chrono::seconds(kLongestPause));
    nextAttempt_ = std::chrono::steady_clock::now() + pause_;
    return nullptr;
}

} // namespace server
