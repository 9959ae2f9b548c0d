#include "RMMemoryCache.h"

#include "NotificationCenter.h"
#include "RMNotifications.h"
#include "RMTileCache.h"
#include "RMTileImage.h"
#include "RMTrace.h"

#include <algorithm>

using platform::NotificationCenter;

namespace {

// Buckets prepared in advance; a configured capacity may be huge (a
// negative number read as unsigned means "no limit").
constexpr std::uint32_t kLargestReservation = 1024;

} // namespace

RMMemoryCache::RMMemoryCache(std::uint32_t capacity)
    : capacity_(std::max<std::uint32_t>(capacity, 1))
{
    base::logf(
        "initializing memory cache {} with capacity {}", description(), static_cast<std::int32_t>(capacity));
    cache_.reserve(std::min(capacity, kLargestReservation));
    NotificationCenter::defaultCenter().addObserver(this, RMMapImageLoadingCancelledNotification, nullptr,
        [this](const platform::Notification& notification) { imageLoadingCancelled(notification.object()); });
}

RMMemoryCache::~RMMemoryCache()
{
    RM_LOG_METHOD_CALL("dealloc", description());
    NotificationCenter::defaultCenter().removeObserver(this);
}

std::shared_ptr<RMTileImage> RMMemoryCache::cachedImage(RMTile tile)
{
    const auto found = cache_.find(RMTileCache::tileHash(tile));
    return found == cache_.end() ? nullptr : found->second;
}

void RMMemoryCache::addTileWithImage(RMTile tile, const std::shared_ptr<RMTileImage>& image)
{
    if (!image || RMTileIsDummy(tile))
        return;
    makeSpaceInCache();
    std::shared_ptr<RMTileImage>& slot = cache_[RMTileCache::tileHash(tile)];
    // The image replaced may post from its destructor, reaching this cache.
    const std::shared_ptr<RMTileImage> replaced = std::exchange(slot, image);
}

void RMMemoryCache::makeSpaceInCache()
{
    while (!cache_.empty() && cache_.size() >= capacity_) {
        auto oldest = cache_.begin();
        for (auto entry = cache_.begin(); entry != cache_.end(); ++entry) {
            if (entry->second->lastUsedTime() < oldest->second->lastUsedTime())
                oldest = entry;
        }
        // By the entry's own key: an image stored under another tile's key
        // must still leave, or this loop would never end.
        const std::shared_ptr<RMTileImage> evicted = std::move(oldest->second);
        cache_.erase(oldest);
    }
}

void RMMemoryCache::removeTile(RMTile tile)
{
    const auto found = cache_.find(RMTileCache::tileHash(tile));
    if (found == cache_.end())
        return;
    // Out of the dictionary before it may die: a dying image that is still
    // loading posts "MapImageLoadingCancelled", which reaches this cache.
    const std::shared_ptr<RMTileImage> removed = std::move(found->second);
    cache_.erase(found);
}

void RMMemoryCache::imageLoadingCancelled(const void* imageObject)
{
    if (imageObject)
        removeTile(RMTileImage::fromNotificationObject(imageObject)->tile());
}

void RMMemoryCache::didReceiveMemoryWarning()
{
    RM_LOG_METHOD_CALL("didReceiveMemoryWarning", description());
    removeAllCachedImages();
}

void RMMemoryCache::removeAllCachedImages()
{
    std::unordered_map<std::uint64_t, std::shared_ptr<RMTileImage>> removed;
    removed.swap(cache_);
    cache_.reserve(std::min(capacity_, kLargestReservation));
}

std::string RMMemoryCache::description() const
{
    return RMObjectDescription("RMMemoryCache", this);
}
