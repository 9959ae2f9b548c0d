#include "RunLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QTimer>

#include <algorithm>

namespace platform {

namespace {

// Objects released with deleteLater() are freed at the loop's top level;
// a loop driven from here has to free them itself.
void deleteReleasedObjects()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

bool RunLoop::runUntil(const std::function<bool()>& done, double timeoutSeconds)
{
    const auto milliseconds = static_cast<qint64>(std::clamp(timeoutSeconds, 0.0, 1e7) * 1000.0);
    const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
    // Wakes the loop now and then, so conditions that other threads change
    // (a test server's state) are seen without an event of their own.
    QTimer wakeUp;
    wakeUp.start(std::min<qint64>(milliseconds, 5));
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        deleteReleasedObjects();
    }
    return true;
}

void RunLoop::runPendingEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    deleteReleasedObjects();
}

} // namespace platform
