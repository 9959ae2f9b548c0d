#include "RMTileCache.h"

#include "Exception.h"
#include "Log.h"
#include "RMConfiguration.h"
#include "RMDatabaseCache.h"
#include "RMMemoryCache.h"
#include "RMTileImage.h"
#include "RMTrace.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>

using platform::PropertyList;

namespace {

constexpr std::int64_t kDefaultMemoryCapacity = 32;
constexpr std::uint32_t kDefaultDatabaseCapacity = 1000;
constexpr std::uint32_t kDefaultMinimalPurge = 100;

// Reads the values of one "caches" entry. A value of the wrong kind reads
// as missing and becomes the entry's problem (the first one found counts).
class EntryReader {
    const PropertyList& entry_;
    std::string problem_;

    // The value of `key` as `readValue` reads it; nothing when missing.
    template<typename Read> auto read(std::string_view key, std::string_view kind, Read readValue)
    {
        using Value = decltype(readValue(entry_));
        const PropertyList* value = usable() ? entry_.valueForKey(key) : nullptr;
        if (!value)
            return Value();
        Value result = readValue(*value);
        if (!result)
            problem_ = fmt::format("the value of \"{}\" is not {}", key, kind);
        return result;
    }

public:
    explicit EntryReader(const PropertyList& entry)
        : entry_(entry)
    {
        if (!entry.dictionary())
            problem_ = "a cache entry is not a dictionary";
    }

    // Whether every value read so far had the right kind.
    bool usable() const { return problem_.empty(); }
    const std::string& problem() const { return problem_; }

    // The value read as a number, as the platform's number reading gives it
    // (strings read their leading number).
    std::optional<std::int64_t> integer(std::string_view key)
    {
        return read(key, "a number", [](const PropertyList& value) { return value.integerValue(); });
    }
    std::optional<std::uint64_t> unsignedInteger(std::string_view key)
    {
        return read(key, "a number", [](const PropertyList& value) { return value.unsignedIntegerValue(); });
    }
    std::optional<bool> boolean(std::string_view key)
    {
        return read(key, "a boolean", [](const PropertyList& value) { return value.boolValue(); });
    }
    std::optional<std::string> string(std::string_view key)
    {
        return read(key, "a string", [](const PropertyList& value) {
            return value.string() ? std::optional<std::string>(*value.string()) : std::nullopt;
        });
    }
};

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
        base::log("*** configuration error: the value of \"caches\" is not an array");
        configured = nullptr;
    }
    const PropertyList entries = configured ? *configured : defaultCacheConfiguration();
    for (const PropertyList& entry : *entries.array()) {
        std::string problem;
        try {
            problem = addCacheForEntry(entry, tileSource);
        } catch (const base::NamedException& exception) {
            // A programming error met while building the entry's cache (a
            // source without a cache key, say) costs that entry only.
            problem = exception.reason();
        }
        if (!problem.empty())
            base::logf("*** configuration error: {}", problem);
    }
}

std::string RMTileCache::addCacheForEntry(const PropertyList& entry, const RMTileSource& tileSource)
{
    if (!entry.dictionary())
        return EntryReader(entry).problem();
    const PropertyList* type = entry.valueForKey("type");
    const std::string* typeName = type ? type->string() : nullptr;
    std::shared_ptr<RMTileCacheProtocol> cache;
    if (typeName && *typeName == "memory-cache") {
        Configured<RMMemoryCache> memory = newMemoryCacheWithConfig(entry);
        if (!memory.problem.empty())
            return memory.problem;
        cache = std::move(memory.cache);
    } else if (typeName && *typeName == "db-cache") {
        Configured<RMDatabaseCache> database = newDatabaseCacheWithConfigTileSource(entry, tileSource);
        if (!database.problem.empty())
            return database.problem;
        cache = std::move(database.cache);
    }

    if (cache)
        addCache(std::move(cache));
    else
        base::logf("failed to create cache of type {}", typeName ? *typeName : "(null)");
    return {};
}

void RMTileCache::addCache(std::shared_ptr<RMTileCacheProtocol> cache)
{
    if (!cache)
        return;
    RMTileCacheProtocol::Operations has(cache.get());
    caches_.push_back({ std::move(cache), has });
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
        if (auto* adding = link.has.get<RMTileCacheAdding>())
            adding->addTileWithImage(tile, image);
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
        if (auto* clearing = link.has.get<RMTileCacheClearing>())
            clearing->removeAllCachedImages();
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

RMTileCache::Configured<RMMemoryCache> RMTileCache::newMemoryCacheWithConfig(const PropertyList& config)
{
    EntryReader entry(config);
    const std::int64_t capacity = entry.integer("capacity").value_or(kDefaultMemoryCapacity);
    if (!entry.usable())
        return { nullptr, entry.problem() };
    return { std::make_unique<RMMemoryCache>(static_cast<std::uint32_t>(capacity)), {} };
}

RMTileCache::Configured<RMDatabaseCache> RMTileCache::newDatabaseCacheWithConfigTileSource(
    const PropertyList& config, const RMTileSource& tileSource)
{
    EntryReader entry(config);
    std::uint32_t capacity = kDefaultDatabaseCapacity;
    std::uint32_t minimalPurge = kDefaultMinimalPurge;
    const std::optional<std::int64_t> configuredCapacity = entry.integer("capacity");
    if (!entry.usable())
        return { nullptr, entry.problem() };
    if (configuredCapacity) {
        // Read as the platform's 32-bit int.
        const auto value = static_cast<std::int32_t>(*configuredCapacity);
        if (value < 0) {
            base::logf("illegal value for capacity: {}", value);
        } else {
            capacity = static_cast<std::uint32_t>(value);
            minimalPurge = std::max<std::uint32_t>(1, capacity / 10);
        }
    }

    const std::optional<std::string> strategyName = entry.string("strategy");
    const bool useCachesDirectory = entry.boolean("useCachesDirectory").value_or(false);
    const std::optional<std::uint64_t> configuredPurge
        = capacity != 0 ? entry.unsignedInteger("minimalPurge") : std::nullopt;
    if (!entry.usable())
        return { nullptr, entry.problem() };
    const RMCachePurgeStrategy strategy = strategyName && equalIgnoringCase(*strategyName, "LRU")
        ? RMCachePurgeStrategy::LRU
        : RMCachePurgeStrategy::FIFO;
    if (configuredPurge) {
        // Read as the platform's unsigned 32-bit int.
        const auto value = static_cast<std::uint32_t>(*configuredPurge);
        if (value >= 1 && value <= capacity)
            minimalPurge = value;
        else
            base::log("minimalPurge must be at least one and at most the cache capacity");
    }

    std::unique_ptr<RMDatabaseCache> cache
        = RMDatabaseCache::createWithTileSourceUsingCacheDir(tileSource, useCachesDirectory);
    if (!cache)
        return {};
    cache->setCapacity(capacity);
    cache->setPurgeStrategy(strategy);
    cache->setMinimalPurge(minimalPurge);
    return { std::move(cache), {} };
}
