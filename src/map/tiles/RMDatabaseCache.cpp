#include "RMDatabaseCache.h"

#include "Clock.h"
#include "Directories.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "RMNotifications.h"
#include "RMTileImage.h"
#include "RMTileSource.h"
#include "RMTrace.h"

#include <algorithm>

using platform::NotificationCenter;

std::string RMDatabaseCache::dbPathForTileSourceUsingCacheDir(
    const RMTileSource& tileSource, bool useCacheDir)
{
    const std::string folder
        = useCacheDir ? platform::Directories::caches() : platform::Directories::documents();
    return folder + "/Map" + tileSource.uniqueTilecacheKey() + ".sqlite";
}

std::unique_ptr<RMDatabaseCache> RMDatabaseCache::createWithTileSourceUsingCacheDir(
    const RMTileSource& tileSource, bool useCacheDir)
{
    return createWithDatabase(dbPathForTileSourceUsingCacheDir(tileSource, useCacheDir));
}

std::unique_ptr<RMDatabaseCache> RMDatabaseCache::createWithDatabase(const std::string& path)
{
    std::unique_ptr<RMDatabaseCache> cache(new RMDatabaseCache());
    cache->databasePath_ = path;
    cache->dao_ = RMTileCacheDAO::createWithDatabase(path);
    if (!cache->dao_)
        return nullptr;
    return cache;
}

RMDatabaseCache::~RMDatabaseCache()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

std::shared_ptr<RMTileImage> RMDatabaseCache::cachedImage(RMTile tile)
{
    const std::uint64_t key = RMTileKey(tile);
    std::optional<platform::Data> data;
    {
        const std::lock_guard guard(lock_);
        if (!dao_)
            return nullptr;
        data = dao_->dataForTile(key);
        if (!data)
            return nullptr;
        if (capacity_ != 0 && purgeStrategy_ == RMCachePurgeStrategy::LRU)
            dao_->touchTileWithDate(key, platform::Clock::current().now());
    }
    return RMTileImage::imageWithTileFromData(tile, *data);
}

void RMDatabaseCache::addTileWithImage(RMTile, const std::shared_ptr<RMTileImage>& image)
{
    if (!image || image->isLoaded())
        return;
    forgetDeadImages();
    const void* object = image->notificationObject();
    const auto [entry, added] = awaited_.insert_or_assign(object, image);
    if (!added)
        return;
    NotificationCenter::defaultCenter().addObserver(this, RMMapImageLoadedNotification, object,
        [this](const platform::Notification& notification) { addImageData(notification); });
}

void RMDatabaseCache::addImageData(const platform::Notification& notification)
{
    const auto found = awaited_.find(notification.object());
    const std::shared_ptr<RMTileImage> image = found == awaited_.end() ? nullptr : found->second.lock();
    stopAwaiting(notification.object());
    const platform::Data* data = notification.userInfo().get<platform::Data>(RMMapImageDataKey);
    // Bytes that did not decode are an error page or a damaged download:
    // stored, they would stand for the tile for good.
    if (!image || !data || !image->isLoaded())
        return;

    const std::lock_guard guard(lock_);
    if (!dao_)
        return;
    if (capacity_ != 0) {
        const std::uint32_t rows = dao_->count();
        if (rows >= capacity_)
            dao_->purgeTiles(std::max(rows - capacity_ + 1, minimalPurge_));
    }
    dao_->addDataLastUsedForTile(*data, image->lastUsedTime(), RMTileKey(image->tile()));
}

void RMDatabaseCache::stopAwaiting(const void* imageObject)
{
    awaited_.erase(imageObject);
    NotificationCenter::defaultCenter().removeObserver(this, RMMapImageLoadedNotification, imageObject);
}

void RMDatabaseCache::forgetDeadImages()
{
    for (auto entry = awaited_.begin(); entry != awaited_.end();) {
        if (entry->second.expired()) {
            NotificationCenter::defaultCenter().removeObserver(
                this, RMMapImageLoadedNotification, entry->first);
            entry = awaited_.erase(entry);
        } else {
            ++entry;
        }
    }
}

void RMDatabaseCache::didReceiveMemoryWarning()
{
    RM_LOG_METHOD_CALL("didReceiveMemoryWarning", description());
    if (databasePath_.empty()) {
        platform::log("unknown db path, unable to reinitialize dao!");
        return;
    }
    const std::lock_guard guard(lock_);
    dao_.reset();
    dao_ = RMTileCacheDAO::createWithDatabase(databasePath_);
}

void RMDatabaseCache::removeAllCachedImages()
{
    if (dao_)
        dao_->removeAllCachedImages();
}

std::string RMDatabaseCache::description() const
{
    return RMObjectDescription("RMDatabaseCache", this);
}
