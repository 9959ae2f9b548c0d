#include "BackgroundQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>

#include <algorithm>

namespace platform {

BackgroundQueue::BackgroundQueue(int threads)
    : pool_(std::make_unique<QThreadPool>())
{
    pool_->setMaxThreadCount(std::max(1, threads));
}

BackgroundQueue::~BackgroundQueue()
{
    pool_->clear();
    pool_->waitForDone();
}

BackgroundQueue::Ticket BackgroundQueue::run(Work work)
{
    auto ticket = std::make_shared<char>();
    // The completion checks the ticket on the main thread, where the ticket
    // also dies, so the check and the drop cannot race.
    std::weak_ptr<void> wanted = ticket;
    pool_->start([work = std::move(work), wanted = std::move(wanted)]() mutable {
        Completion completion = work();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [completion = std::move(completion), wanted = std::move(wanted)] {
                if (completion && !wanted.expired())
                    completion();
            },
            Qt::QueuedConnection);
    });
    return ticket;
}

} // namespace platform
