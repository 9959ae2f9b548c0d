#include "LogCapture.h"
#include "MapTestPrinters.h"
#include "RMConfiguration.h"
#include "RMDatabaseCache.h"
#include "RMMemoryCache.h"
#include "RMOpenStreetMapSource.h"
#include "RMTileCache.h"
#include "TilesTestSupport.h"
#include "TraceLines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using platform::PropertyList;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::StartsWith;
using tiles::test::ScratchHome;
using vantry::test::LogCapture;

namespace {

using Dictionary = PropertyList::Dictionary;
using Array = PropertyList::Array;

RMConfiguration withCaches(Array caches)
{
    return RMConfiguration(PropertyList(Dictionary { { "caches", PropertyList(std::move(caches)) } }));
}

PropertyList entry(Dictionary values)
{
    return PropertyList(std::move(values));
}

class RMTileCacheConfigurationTest : public testing::Test {
protected:
    std::string documentsFile() const { return home_.documents() + "/MapOpenStreetMap.sqlite"; }
    std::string cachesFile() const { return home_.caches() + "/MapOpenStreetMap.sqlite"; }
    // Every line logged since the last call, with the caches' set-up and
    // tear-down traces left out.
    std::vector<std::string> lines() { return vantry::test::withoutCacheLifecycle(log_.take()); }

    ScratchHome home_;
    LogCapture log_;
    RMOpenStreetMapSource source_;
};

TEST_F(RMTileCacheConfigurationTest, WithoutConfigurationTheChainIsMemoryThenDatabase)
{
    {
        const RMTileCache chain(source_, RMConfiguration(std::nullopt));
        const auto caches = chain.caches();
        ASSERT_EQ(caches.size(), 2u);
        const auto memory = std::dynamic_pointer_cast<RMMemoryCache>(caches[0]);
        const auto database = std::dynamic_pointer_cast<RMDatabaseCache>(caches[1]);
        ASSERT_NE(memory, nullptr);
        ASSERT_NE(database, nullptr);
        EXPECT_EQ(memory->capacity(), 32u);
        EXPECT_EQ(database->capacity(), 1000u);
        EXPECT_EQ(database->minimalPurge(), 100u);
        EXPECT_EQ(database->purgeStrategy(), RMCachePurgeStrategy::FIFO);
        EXPECT_EQ(database->databasePath(), documentsFile());
        EXPECT_THAT(log_.take(),
            ElementsAre("initializing memory cache " + memory->description() + " with capacity 32",
                "Opening database at " + documentsFile()));
    }
    log_.take();
    EXPECT_TRUE(std::filesystem::exists(documentsFile()));
}

struct DatabaseCase {
    const char* name;
    Dictionary config;
    std::uint32_t capacity;
    std::uint32_t minimalPurge;
    RMCachePurgeStrategy strategy;
    std::vector<std::string> log;
};

TEST_F(RMTileCacheConfigurationTest, DatabaseSettingsAreReadAndChecked)
{
    using enum RMCachePurgeStrategy;
    const std::string purgeRange = "minimalPurge must be at least one and at most the cache capacity";
    const std::vector<DatabaseCase> cases {
        { "defaults", {}, 1000, 100, FIFO, {} },
        { "capacity 50", { { "capacity", 50 } }, 50, 5, FIFO, {} },
        { "capacity 5", { { "capacity", 5 } }, 5, 1, FIFO, {} },
        { "no limit ignores minimalPurge", { { "capacity", 0 }, { "minimalPurge", 7 } }, 0, 1, FIFO, {} },
        { "minimalPurge above capacity", { { "capacity", 10 }, { "minimalPurge", 11 } }, 10, 1, FIFO,
            { purgeRange } },
        { "minimalPurge 0", { { "capacity", 10 }, { "minimalPurge", 0 } }, 10, 1, FIFO, { purgeRange } },
        { "minimalPurge negative", { { "capacity", 10 }, { "minimalPurge", -1 } }, 10, 1, FIFO,
            { purgeRange } },
        { "minimalPurge equal to capacity", { { "capacity", 10 }, { "minimalPurge", 10 } }, 10, 10, FIFO,
            {} },
        { "negative capacity", { { "capacity", -5 } }, 1000, 100, FIFO,
            { "illegal value for capacity: -5" } },
        { "negative capacity with minimalPurge", { { "capacity", -5 }, { "minimalPurge", 50 } }, 1000, 50,
            FIFO, { "illegal value for capacity: -5" } },
        { "capacity as text", { { "capacity", "25" } }, 25, 2, FIFO, {} },
        { "capacity as real", { { "capacity", 12.9 } }, 12, 1, FIFO, {} },
        { "LRU", { { "strategy", "LRU" } }, 1000, 100, LRU, {} },
        { "lru in lower case", { { "strategy", "lru" } }, 1000, 100, LRU, {} },
        { "FIFO", { { "strategy", "FIFO" } }, 1000, 100, FIFO, {} },
        { "any other word", { { "strategy", "random" } }, 1000, 100, FIFO, {} },
        { "LRU with a trailing blank", { { "strategy", "LRU " } }, 1000, 100, FIFO, {} },
    };
    for (const DatabaseCase& test : cases) {
        SCOPED_TRACE(test.name);
        auto cache = RMTileCache::newDatabaseCacheWithConfigTileSource(entry(test.config), source_).cache;
        ASSERT_NE(cache, nullptr);
        EXPECT_EQ(cache->capacity(), test.capacity);
        EXPECT_EQ(cache->minimalPurge(), test.minimalPurge);
        EXPECT_EQ(cache->purgeStrategy(), test.strategy);
        cache.reset();
        EXPECT_EQ(lines(), test.log);
    }
}

TEST_F(RMTileCacheConfigurationTest, DatabaseMayLieInTheCachesFolder)
{
    auto cache = RMTileCache::newDatabaseCacheWithConfigTileSource(
        entry({ { "useCachesDirectory", true } }), source_)
                     .cache;
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(cache->databasePath(), cachesFile());
    EXPECT_EQ(RMDatabaseCache::dbPathForTileSourceUsingCacheDir(source_, false), documentsFile());
    cache.reset();
    log_.take();
}

TEST_F(RMTileCacheConfigurationTest, MemoryCapacityIsReadAsConfigured)
{
    const std::vector<std::pair<PropertyList, std::uint32_t>> cases {
        { entry({}), 32 },
        { entry({ { "capacity", 5 } }), 5 },
        { entry({ { "capacity", 0 } }), 1 },
        { entry({ { "capacity", -1 } }), 0xFFFFFFFFu },
    };
    for (const auto& [config, capacity] : cases) {
        EXPECT_EQ(RMTileCache::newMemoryCacheWithConfig(config).cache->capacity(), capacity);
        log_.take();
    }
}

// An entry of the wrong shape gives no cache but the reason; what was read
// before the wrong value still counts (and is logged).
TEST_F(RMTileCacheConfigurationTest, EntriesOfTheWrongShapeGiveNoCacheAndSayWhy)
{
    const auto notADictionary = RMTileCache::newMemoryCacheWithConfig(PropertyList("memory-cache"));
    EXPECT_EQ(notADictionary.cache, nullptr);
    EXPECT_EQ(notADictionary.problem, "a cache entry is not a dictionary");
    const auto badStrategy = RMTileCache::newDatabaseCacheWithConfigTileSource(
        entry({ { "capacity", -5 }, { "strategy", 0 }, { "useCachesDirectory", "x" } }), source_);
    EXPECT_EQ(badStrategy.cache, nullptr);
    EXPECT_EQ(badStrategy.problem, "the value of \"strategy\" is not a string");
    EXPECT_THAT(lines(), ElementsAre("illegal value for capacity: -5"));
}

TEST_F(RMTileCacheConfigurationTest, BadEntriesAreSkippedAndTheOthersBuilt)
{
    {
        const RMTileCache chain(source_,
            withCaches({
                PropertyList("memory-cache"),
                entry({ { "type", "disk-cache" } }),
                entry({ { "capacity", 3 } }),
                entry({ { "type", "Memory-Cache" } }),
                entry({ { "type", 7 } }),
                entry({ { "type", "db-cache" }, { "capacity", PropertyList(Array {}) } }),
                entry({ { "type", "db-cache" }, { "strategy", 0 } }),
                entry({ { "type", "memory-cache" }, { "capacity", 4 } }),
            }));
        EXPECT_EQ(chain.caches().size(), 1u);
        EXPECT_THAT(lines(),
            ElementsAre("*** configuration error: a cache entry is not a dictionary",
                "failed to create cache of type disk-cache", "failed to create cache of type (null)",
                "failed to create cache of type Memory-Cache", "failed to create cache of type (null)",
                "*** configuration error: the value of \"capacity\" is not a number",
                "*** configuration error: the value of \"strategy\" is not a string"));
    }
    log_.take();
}

TEST_F(RMTileCacheConfigurationTest, CachesThatAreNotAListGiveTheDefaultChain)
{
    {
        const RMTileCache chain(source_,
            RMConfiguration(PropertyList(Dictionary { { "caches", PropertyList("memory-cache") } })));
        EXPECT_EQ(chain.caches().size(), 2u);
        EXPECT_THAT(lines(), ElementsAre("*** configuration error: the value of \"caches\" is not an array"));
    }
    log_.take();
}

TEST_F(RMTileCacheConfigurationTest, DatabaseThatCannotOpenIsLeftOut)
{
    std::filesystem::create_directories(home_.documents());
    std::filesystem::create_directory(documentsFile()); // a folder where the file should be
    {
        const RMTileCache chain(source_, RMConfiguration(std::nullopt));
        EXPECT_EQ(chain.caches().size(), 1u);
        EXPECT_THAT(lines(),
            ElementsAre(StartsWith("error opening!: "), StartsWith("Could not connect to database - "),
                "failed to create cache of type db-cache"));
    }
    log_.take();
}

TEST_F(RMTileCacheConfigurationTest, AbstractSourceIsAConfigurationError)
{
    const RMAbstractMercatorWebSource abstract;
    const RMTileCache chain(abstract, withCaches({ entry({ { "type", "db-cache" } }) }));
    EXPECT_TRUE(chain.caches().empty());
    EXPECT_THAT(lines(), ElementsAre(StartsWith("*** configuration error: uniqueTilecacheKey invoked on")));
}

TEST_F(RMTileCacheConfigurationTest, PropertyListsAreReadInBothFormats)
{
    for (const char* file : { "routeme-xml.plist", "routeme-binary.plist" }) {
        SCOPED_TRACE(file);
        const std::string path = std::string(TILES_TEST_DATA) + "/" + file;
        const RMConfiguration configuration(path);
        EXPECT_THAT(log_.take(), ElementsAre("reading configuration from " + path));
        {
            const RMTileCache chain(source_, configuration);
            const auto caches = chain.caches();
            ASSERT_EQ(caches.size(), 2u);
            EXPECT_EQ(std::dynamic_pointer_cast<RMMemoryCache>(caches[0])->capacity(), 8u);
            const auto database = std::dynamic_pointer_cast<RMDatabaseCache>(caches[1]);
            EXPECT_EQ(database->capacity(), 20u);
            EXPECT_EQ(database->minimalPurge(), 2u);
            EXPECT_EQ(database->purgeStrategy(), RMCachePurgeStrategy::LRU);
            EXPECT_EQ(database->databasePath(), cachesFile());
        }
        log_.take();
    }
}

TEST_F(RMTileCacheConfigurationTest, UnreadableListIsLoggedAndGivesTheDefaultChain)
{
    const std::string path = home_.file("routeme.plist");
    tiles::test::writeFile(path, "<plist><dict><key>caches</key>");
    const RMConfiguration configuration(path);
    EXPECT_THAT(log_.take(),
        ElementsAre("reading configuration from " + path, StartsWith("problem reading from " + path + ": ")));
    EXPECT_EQ(configuration.propList(), nullptr);
    EXPECT_EQ(configuration.cacheConfiguration(), nullptr);

    const RMConfiguration missing(home_.file("missing.plist"));
    EXPECT_THAT(log_.take(), ElementsAre(HasSubstr("missing.plist"), StartsWith("problem reading from ")));

    const RMConfiguration none((std::string()));
    EXPECT_THAT(log_.take(), testing::IsEmpty());
}

TEST_F(RMTileCacheConfigurationTest, ListWithoutCachesGivesTheDefaultChain)
{
    {
        const RMTileCache chain(source_, RMConfiguration(PropertyList(Array { PropertyList(1) })));
        EXPECT_EQ(chain.caches().size(), 2u);
    }
    log_.take();
}

} // namespace
