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
#include <filesystem>
#include <system_error>
#include <type_traits>

using platform::NotificationCenter;

namespace {

// Moves a damaged file and its write-ahead log to "<path>.corrupt…",
// replacing the ones kept before; whether the file itself moved.
bool moveAside(const std::string& path)
{
    std::error_code error;
    std::filesystem::rename(path + "-wal", path + ".corrupt-wal", error);
    std::filesystem::remove(path + "-shm", error);
    std::filesystem::rename(path, path + ".corrupt", error);
    return !error;
}

} // namespace

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
    cache->dao_ = openDAO(path);
    if (!cache->dao_)
        return nullptr;
    NotificationCenter::defaultCenter().addObserver(cache.get(), RMMapImageRevalidatedNotification, nullptr,
        [cache = cache.get()](
            const platform::Notification& notification) { cache->imageRevalidated(notification); });
    return cache;
}

std::unique_ptr<RMTileCacheDAO> RMDatabaseCache::openDAO(const std::string& path)
{
    std::string damage;
    std::unique_ptr<RMTileCacheDAO> dao = RMTileCacheDAO::createWithDatabase(path, &damage);
    if (dao || damage.empty() || !setDamagedFileAside(path, damage, false))
        return dao;
    return RMTileCacheDAO::createWithDatabase(path);
}

bool RMDatabaseCache::setDamagedFileAside(const std::string& path, const std::string& damage, bool readOnly)
{
    if (readOnly || !moveAside(path)) {
        base::logf("The tile database {} is damaged ({}); it is no longer used", path, damage);
        return false;
    }
    base::logf("The tile database {} is damaged ({}); it was moved to {}.corrupt and a new one begun", path,
        damage, path);
    return true;
}

RMDatabaseCache::~RMDatabaseCache()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

template<typename Operation> auto RMDatabaseCache::useDatabase(Operation&& operation)
{
    using Result = std::invoke_result_t<Operation, RMTileCacheDAO&>;
    if (!dao_)
        return Result();
    if constexpr (std::is_void_v<Result>) {
        operation(*dao_);
        replaceIfDamaged();
    } else {
        Result result = operation(*dao_);
        replaceIfDamaged();
        return result;
    }
}

std::shared_ptr<RMTileImage> RMDatabaseCache::cachedImage(RMTile tile)
{
    const std::uint64_t key = RMTileKey(tile);
    const std::lock_guard guard(lock_);
    return useDatabase([&](RMTileCacheDAO& dao) -> std::shared_ptr<RMTileImage> {
        std::optional<RMStoredTile> stored = dao.storedTile(key);
        if (!stored)
            return nullptr;
        // Stored bytes that are not a picture (from an older version, or
        // damaged on disk) would stand for the tile for good.
        platform::Image picture = platform::Image::fromData(stored->data);
        if (picture.isNull()) {
            dao.removeTile(key);
            base::logf("Removed a stored tile that is not a picture: {}/{}/{}", tile.zoom, tile.x, tile.y);
            return nullptr;
        }
        if (capacity_ != 0 && purgeStrategy_ == RMCachePurgeStrategy::LRU)
            dao.touchTileWithDate(key, platform::Clock::current().now());
        std::shared_ptr<RMTileImage> image
            = RMTileImage::imageWithTileFromDecodedData(tile, stored->data, std::move(picture));
        image->setFreshness(std::move(stored->freshness));
        return image;
    });
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
    useDatabase([&](RMTileCacheDAO& dao) { store(dao, *image, *data); });
}

void RMDatabaseCache::store(RMTileCacheDAO& dao, const RMTileImage& image, const platform::Data& data)
{
    if (capacity_ != 0) {
        const std::uint32_t rows = dao.count();
        if (rows >= capacity_)
            dao.purgeTiles(std::max(rows - capacity_ + 1, minimalPurge_));
    }
    dao.addDataLastUsedForTile(data, image.lastUsedTime(), RMTileKey(image.tile()), image.freshness());
}

void RMDatabaseCache::imageRevalidated(const platform::Notification& notification)
{
    const RMTileImage* image = RMTileImage::fromNotificationObject(notification.object());
    const platform::Data* data = notification.userInfo().get<platform::Data>(RMMapImageDataKey);
    if (!image->freshness())
        return;
    const std::lock_guard guard(lock_);
    useDatabase([&](RMTileCacheDAO& dao) {
        if (!dao.refreshTile(RMTileKey(image->tile()), *image->freshness(), data) && data)
            store(dao, *image, *data);
    });
}

void RMDatabaseCache::replaceIfDamaged()
{
    if (!dao_ || !dao_->isDamaged())
        return;
    const std::string damage = dao_->damage();
    const bool readOnly = dao_->isReadOnly();
    // Closed before it moves, so nothing more is written into it.
    dao_.reset();
    if (setDamagedFileAside(databasePath_, damage, readOnly))
        dao_ = RMTileCacheDAO::createWithDatabase(databasePath_);
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
        base::log("unknown db path, unable to reinitialize dao!");
        return;
    }
    const std::lock_guard guard(lock_);
    dao_.reset();
    dao_ = openDAO(databasePath_);
}

void RMDatabaseCache::removeAllCachedImages()
{
    const std::lock_guard guard(lock_);
    useDatabase([](RMTileCacheDAO& dao) { dao.removeAllCachedImages(); });
}

std::string RMDatabaseCache::description() const
{
    return RMObjectDescription("RMDatabaseCache", this);
}
