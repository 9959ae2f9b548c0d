#pragma once

#include "Data.h"
#include "RMTileCacheDAO.h"
#include "RMTileCacheProtocol.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

class RMTileSource;

namespace platform {
class Notification;
}

// Which rows a full database cache removes first.
enum class RMCachePurgeStrategy : std::int32_t {
    // Least recently read: every hit renews the row's last-use time.
    LRU = 0,
    // Least recently stored: hits leave the rows alone.
    FIFO = 1,
};

// Keeps downloaded tile bytes between runs in one SQLite file per tile
// source ("Map<uniqueTilecacheKey>.sqlite"), with their freshness (expiry
// and validators). A hit makes a new image from the stored bytes, carrying
// that freshness; a row whose bytes are not a picture is deleted and counts
// as a miss. An image offered while still loading is stored when it posts
// RMMapImageLoadedNotification, and only when its bytes turned out to be a
// picture: an error page or a body cut short never enters the database.
// RMMapImageRevalidatedNotification renews a row's freshness (and bytes).
// Up to `capacity` rows (0: no limit); a full table loses at least
// `minimalPurge` rows at once, oldest last-use times first.
//
// A broken file is never fatal. One that cannot be opened gives no cache; a
// locked or read-only one is handled by RMTileCacheDAO. A file found damaged
// (or not a database), when opened or later, is moved to
// "<path>.corrupt" (replacing an older one) and a new file begun, with a
// log line: only tiles are lost, and they come back from the server.
class RMDatabaseCache final : public RMTileCacheProtocol,
                              public RMTileCacheAdding,
                              public RMTileCacheClearing {
public:
    // The file of the source in the user's documents folder, or in the
    // caches folder.
    static std::string dbPathForTileSourceUsingCacheDir(const RMTileSource& tileSource, bool useCacheDir);
    // Null when the file cannot be used. Capacity, strategy and minimal
    // purge start at 0 (LRU, no limit) until set.
    static std::unique_ptr<RMDatabaseCache> createWithTileSourceUsingCacheDir(
        const RMTileSource& tileSource, bool useCacheDir);
    static std::unique_ptr<RMDatabaseCache> createWithDatabase(const std::string& path);
    ~RMDatabaseCache() override;

    std::uint32_t capacity() const { return capacity_; }
    void setCapacity(std::uint32_t capacity) { capacity_ = capacity; }
    RMCachePurgeStrategy purgeStrategy() const { return purgeStrategy_; }
    void setPurgeStrategy(RMCachePurgeStrategy strategy) { purgeStrategy_ = strategy; }
    std::uint32_t minimalPurge() const { return minimalPurge_; }
    void setMinimalPurge(std::uint32_t minimalPurge) { minimalPurge_ = minimalPurge; }

    // A new image from the stored bytes, or null. Under LRU (with a
    // capacity) the row's last-use time becomes now.
    std::shared_ptr<RMTileImage> cachedImage(RMTile tile) override;
    // Waits for a loading image's bytes; a loaded image is not stored.
    void addTileWithImage(RMTile tile, const std::shared_ptr<RMTileImage>& image) override;
    // Logs the method-trace line, then closes and reopens the file to free
    // SQLite's memory. If reopening fails the cache holds nothing from then
    // on; without a path it logs "unknown db path, unable to reinitialize
    // dao!" and keeps the connection.
    void didReceiveMemoryWarning() override;
    void removeAllCachedImages() override;

    const std::string& databasePath() const { return databasePath_; }
    void setDatabasePath(std::string path) { databasePath_ = std::move(path); }
    // The table access; null after a failed reopening.
    RMTileCacheDAO* dao() const { return dao_.get(); }
    // Images whose bytes the cache still waits for.
    std::size_t awaitedImageCount() const { return awaited_.size(); }
    std::string description() const override;

private:
    RMDatabaseCache() = default;
    // The file's table access, begun afresh when the file is damaged.
    static std::unique_ptr<RMTileCacheDAO> openDAO(const std::string& path);
    // Logs the damage and moves the file aside; whether a new file may be
    // begun.
    static bool setDamagedFileAside(const std::string& path, const std::string& damage, bool readOnly);
    void addImageData(const platform::Notification& notification);
    void imageRevalidated(const platform::Notification& notification);
    // Every use of the file goes through here: runs `operation` on the
    // table access (nothing without one, giving an empty result), then sets
    // a file the operation found damaged aside and begins a new one.
    template<typename Operation> auto useDatabase(Operation&& operation);
    void store(RMTileCacheDAO& dao, const RMTileImage& image, const platform::Data& data);
    void replaceIfDamaged();
    void stopAwaiting(const void* imageObject);
    void forgetDeadImages();

    std::string databasePath_;
    std::unique_ptr<RMTileCacheDAO> dao_;
    RMCachePurgeStrategy purgeStrategy_ = RMCachePurgeStrategy::LRU;
    std::uint32_t capacity_ = 0;
    std::uint32_t minimalPurge_ = 0;
    // Held wherever the cache uses or replaces its connection. The map
    // engine runs on the main thread, so it is never contended and stops
    // nothing there; it marks the sections that would need it if the cache
    // were ever shared between threads.
    std::recursive_mutex lock_;
    // The images waited for, by notification object. Entries of images that
    // died unloaded are dropped with their registrations, so a new image at
    // a reused address is never mistaken for a dead one.
    std::unordered_map<const void*, std::weak_ptr<RMTileImage>> awaited_;
};
