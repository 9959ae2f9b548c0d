#pragma once

#include <functional>
#include <memory>

class QThreadPool;

namespace platform {

// Work that would keep the main thread from its frames (decoding, encoding,
// reading and writing files) done on threads of the queue's own, each piece
// then handing a completion back to the main thread. The handle run() returns
// owns the completion: once it is gone the completion never runs, though the
// work itself may still finish. The queue's destructor waits for work already
// running and drops work not yet begun. Work must own all it touches.
class BackgroundQueue {
public:
    // What a piece of work hands back to run on the main thread.
    using Completion = std::function<void()>;
    using Work = std::function<Completion()>;
    // Keeps a completion wanted; destroy it to drop the completion.
    using Ticket = std::shared_ptr<void>;

    explicit BackgroundQueue(int threads);
    ~BackgroundQueue();
    BackgroundQueue(const BackgroundQueue&) = delete;
    BackgroundQueue& operator=(const BackgroundQueue&) = delete;

    // Queues `work`; its completion runs on the main thread's event loop
    // while the ticket lives. Main thread only.
    [[nodiscard]] Ticket run(Work work);

private:
    std::unique_ptr<QThreadPool> pool_;
};

} // namespace platform
