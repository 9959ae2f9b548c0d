#include "NetworkAccess.h"

#include "ResponseCache.h"

#include <QNetworkAccessManager>
#include <QNetworkDiskCache>

namespace platform {

QNetworkAccessManager& NetworkAccess::manager()
{
    // Never destroyed: replies may be released during static destruction.
    static QNetworkAccessManager* manager = [] {
        auto* created = new QNetworkAccessManager;
        created->setCache(ResponseCache::shared().cache_);
        return created;
    }();
    return *manager;
}

} // namespace platform
