#include "RMTileCache.h"

#include "Exception.h"
#include "Log.h"
#include "RMConfiguration.h"
#include "RMDatabaseCache.h"
#include "RMMemoryCache.h"
#include "RMTileImage.h"
#include "RMTrace.h"

#include <algorithm>
#include <cctype>

using platform::PropertyList;

namespace {

constexpr std::int64_t kDefaultMemoryCapacity = 32;
constexpr std::uint32_t kDefaultDatabaseCapacity = 1000;
constexpr std::uint32_t kDefaultMinimalPurge = 100;

[[noreturn]] void configurationError(const std::string& reason)
{
    throw platform::NamedException("RMConfigurationException", reason);
}

const PropertyList::Dictionary& dictionaryOf(const PropertyList& entry)
{
    const PropertyList::Dictionary* dictionary = entry.dictionary();
    if (!dictionary)
        configurationError("a cache entry is not a dictionary");
    return *dictionary;
}

// The value of the key read as a number, as the platform's number reading
// gives it (strings read their leading number); nothing when the key is
// missing.
std::optional<std::int64_t> integerFor(const PropertyList& entry, std::string_view key)
{
    const PropertyList* value = entry.valueForKey(key);
    if (!value)
        return std::nullopt;
    const std::optional<std::int64_t> number = value->integerValue();
    if (!number)
        configurationError("the value of \"" + std::string(key) + "\" is not a number");
    return number;
}

std::optional<std::uint64_t> unsignedFor(const PropertyList& entry, std::string_view key)
{
    const PropertyList* value = entry.valueForKey(key);
    if (!value)
        return std::nullopt;
    const std::optional<std::uint64_t> number = value->unsignedIntegerValue();
    if (!number)
        configurationError("the value of \"" + std::string(key) + "\" is not a number");
    return number;
}

std::optional<bool> boolFor(const PropertyList& entry, std::string_view key)
{
    const PropertyList* value = entry.valueForKey(key);
    if (!value)
        return std::nullopt;
    const std::optional<bool> flag = value->boolValue();
    if (!flag)
        configurationError("the value of \"" + std::string(key) + "\" is not a boolean");
    return flag;
}

const std::string* stringFor(const PropertyList& entry, std::string_view key)
{
    const PropertyList* value = entry.valueForKey(key);
    if (!value)
        return nullptr;
    if (!value->string())
        configurationError("the value of \"" + std::string(key) + "\" is not a string");
    return value->string();
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

PropertyList defaultCacheConfiguration()
{
    return PropertyList(PropertyList::Array {
        PropertyList(PropertyList::Dictionary { { "type", PropertyList("memory-cache") } }),
        PropertyList(PropertyList::Dictionary { { "type", PropertyList("db-cache") } }),
    });
}

} // namespace

RMTileCache::RMTileCache() = default;

RMTileCache::RMTileCache(const RMTileSource& tileSource)
    : RMTileCache(tileSource, RMConfiguration::configuration())
{ }

RMTileCache::RMTileCache(const RMTileSource& tileSource, const RMConfiguration& configuration)
{
    buildFromConfiguration(tileSource, configuration);
}

RMTileCache::~RMTileCache() = default;

void RMTileCache::buildFromConfiguration(const RMTileSource& tileSource, const RMConfiguration& configuration)
{
    const PropertyList* configured = configuration.cacheConfiguration();
    if (configured && !configured->array()) {
        platform::log("*** configuration error: the value of \"caches\" is not an array");
        configured = nullptr;
    }
    const PropertyList entries = configured ? *configured : defaultCacheConfiguration();
    for (const PropertyList& entry : *entries.array()) {
        try {
            addCacheForEntry(entry, tileSource);
        } catch (const platform::NamedException& exception) {
            platform::logf("*** configuration error: {}", exception.reason());
        }
    }
}

void RMTileCache::addCacheForEntry(const PropertyList& entry, const RMTileSource& tileSource)
{
    dictionaryOf(entry);
    const PropertyList* type = entry.valueForKey("type");
    const std::string* typeName = type ? type->string() : nullptr;
    std::shared_ptr<RMTileCacheProtocol> cache;
    if (typeName && *typeName == "memory-cache")
        cache = newMemoryCacheWithConfig(entry);
    else if (typeName && *typeName == "db-cache")
        cache = newDatabaseCacheWithConfigTileSource(entry, tileSource);

    if (cache)
        addCache(std::move(cache));
    else
        platform::logf("failed to create cache of type {}", typeName ? *typeName : "(null)");
}

void RMTileCache::addCache(std::shared_ptr<RMTileCacheProtocol> cache)
{
    if (!cache)
        return;
    RMTileCacheAdding* adding = cache->addingPart();
    RMTileCacheClearing* clearing = cache->clearingPart();
    caches_.push_back({ std::move(cache), adding, clearing });
}

std::vector<std::shared_ptr<RMTileCacheProtocol>> RMTileCache::caches() const
{
    std::vector<std::shared_ptr<RMTileCacheProtocol>> caches;
    caches.reserve(caches_.size());
    for (const Link& link : caches_)
        caches.push_back(link.cache);
    return caches;
}

std::shared_ptr<RMTileImage> RMTileCache::cachedImage(RMTile tile)
{
    for (const Link& link : caches_) {
        if (std::shared_ptr<RMTileImage> image = link.cache->cachedImage(tile))
            return image;
    }
    return nullptr;
}

void RMTileCache::addTileWithImage(RMTile tile, const std::shared_ptr<RMTileImage>& image)
{
    for (const Link& link : caches_) {
        if (link.adding)
            link.adding->addTileWithImage(tile, image);
    }
}

void RMTileCache::didReceiveMemoryWarning()
{
    RM_LOG_METHOD_CALL("didReceiveMemoryWarning", description());
    for (const Link& link : caches_)
        link.cache->didReceiveMemoryWarning();
}

void RMTileCache::removeAllCachedImages()
{
    for (const Link& link : caches_) {
        if (link.clearing)
            link.clearing->removeAllCachedImages();
    }
}

std::string RMTileCache::description() const
{
    return RMObjectDescription("RMTileCache", this);
}

std::uint64_t RMTileCache::tileHash(RMTile tile)
{
    return RMTileKey(tile);
}

std::unique_ptr<RMMemoryCache> RMTileCache::newMemoryCacheWithConfig(const PropertyList& config)
{
    dictionaryOf(config);
    const std::int64_t capacity = integerFor(config, "capacity").value_or(kDefaultMemoryCapacity);
    return std::make_unique<RMMemoryCache>(static_cast<std::uint32_t>(capacity));
}

std::unique_ptr<RMDatabaseCache> RMTileCache::newDatabaseCacheWithConfigTileSource(
    const PropertyList& config, const RMTileSource& tileSource)
{
    dictionaryOf(config);
    std::uint32_t capacity = kDefaultDatabaseCapacity;
    std::uint32_t minimalPurge = kDefaultMinimalPurge;
    if (const std::optional<std::int64_t> configured = integerFor(config, "capacity")) {
        // Read as the platform's 32-bit int.
        const auto value = static_cast<std::int32_t>(*configured);
        if (value < 0) {
            platform::logf("illegal value for capacity: {}", value);
        } else {
            capacity = static_cast<std::uint32_t>(value);
            minimalPurge = std::max<std::uint32_t>(1, capacity / 10);
        }
    }

    const std::string* strategyName = stringFor(config, "strategy");
    const RMCachePurgeStrategy strategy = strategyName && equalIgnoringCase(*strategyName, "LRU")
        ? RMCachePurgeStrategy::LRU
        : RMCachePurgeStrategy::FIFO;

    const bool useCachesDirectory = boolFor(config, "useCachesDirectory").value_or(false);

    if (capacity != 0) {
        if (const std::optional<std::uint64_t> configured = unsignedFor(config, "minimalPurge")) {
            // Read as the platform's unsigned 32-bit int.
            const auto value = static_cast<std::uint32_t>(*configured);
            if (value >= 1 && value <= capacity)
                minimalPurge = value;
            else
                platform::log("minimalPurge must be at least one and at most the cache capacity");
        }
    }

    std::unique_ptr<RMDatabaseCache> cache
        = RMDatabaseCache::createWithTileSourceUsingCacheDir(tileSource, useCachesDirectory);
    if (!cache)
        return nullptr;
    cache->setCapacity(capacity);
    cache->setPurgeStrategy(strategy);
    cache->setMinimalPurge(minimalPurge);
    return cache;
}
