#include "NetworkAccess.h"

#include "HostRequestQueue.h"

#include <QNetworkAccessManager>

namespace platform {

QNetworkAccessManager& NetworkAccess::manager()
{
    // Never destroyed: replies may be released during static destruction.
    // No cache is attached: Qt would answer from it on its own terms and
    // mark every request that bypasses it "no-cache"; callers consult the
    // ResponseCache themselves.
    static QNetworkAccessManager* manager = new QNetworkAccessManager;
    return *manager;
}

HostRequestQueue& NetworkAccess::requests()
{
    // Never destroyed, like the manager: connections may end during static
    // destruction.
    static HostRequestQueue* queue = new HostRequestQueue(kDefaultConnectionsPerHost);
    return *queue;
}

} // namespace platform
