#include "Exception.h"
#include "LogCapture.h"
#include "MapTestPrinters.h"
#include "RMCachedTileSource.h"
#include "RMConfiguration.h"
#include "RMFractalTileProjection.h"
#include "RMMemoryCache.h"
#include "RMOpenStreetMapSource.h"
#include "RMTileCache.h"
#include "RMTileImage.h"
#include "RMWebTileImage.h"
#include "ResponseCache.h"
#include "TileServer.h"
#include "TilesTestSupport.h"
#include "TraceLines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

using platform::PropertyList;
using testing::ElementsAre;
using testing::MatchesRegex;
using tiles::test::ScratchHome;
using vantry::test::IsMethodTrace;
using vantry::test::LogCapture;

namespace {

// A configuration with only a memory cache, so no database file is made.
RMConfiguration memoryOnly()
{
    return RMConfiguration(PropertyList(PropertyList::Dictionary { { "caches",
        PropertyList(PropertyList::Array {
            PropertyList(PropertyList::Dictionary { { "type", PropertyList("memory-cache") } }) }) } }));
}

// Restores the tile host override and the environment after a test.
class TileHostRestorer {
public:
    ~TileHostRestorer()
    {
        RMOpenStreetMapSource::setTileHost("");
        unsetenv("VANTRY_TILE_HOST");
    }
};

class NamedOnly : public RMAbstractMercatorWebSource {
public:
    std::string shortName() const override { return "Named"; }
};

template<typename Operation> std::string abstractReason(Operation operation)
{
    try {
        operation();
    } catch (const base::NamedException& exception) {
        EXPECT_EQ(exception.name(), "RMAbstractMethodInvocation");
        return exception.reason();
    }
    ADD_FAILURE() << "no exception";
    return {};
}

TEST(RMAbstractMercatorWebSourceTest, AbstractOperationsRaiseWithTheirNames)
{
    const RMAbstractMercatorWebSource source;
    const std::string suffix
        = " invoked on AbstractMercatorWebSource. Override this method when instantiating "
          "abstract class.";
    EXPECT_EQ(abstractReason([&] { source.tileURL(RMTile { 0, 0, 1 }); }), "tileURL" + suffix);
    EXPECT_EQ(abstractReason([&] { source.uniqueTilecacheKey(); }), "uniqueTilecacheKey" + suffix);
    EXPECT_EQ(abstractReason([&] { source.shortName(); }), "shortName" + suffix);
    EXPECT_EQ(abstractReason([&] { source.longDescription(); }), "shortName" + suffix);
    EXPECT_EQ(abstractReason([&] { source.shortAttribution(); }), "shortAttribution" + suffix);
    EXPECT_EQ(abstractReason([&] { source.longAttribution(); }), "shortAttribution" + suffix);
}

TEST(RMAbstractMercatorWebSourceTest, ConcreteSourceNeedsOnlyItsOwnNames)
{
    NamedOnly source;
    EXPECT_EQ(source.longDescription(), "Named");
    EXPECT_EQ(source.mercatorToTileProjection()->maxZoom(), 18u);
    EXPECT_EQ(source.mercatorToTileProjection()->tileSideLength(), 256u);

    LogCapture log;
    source.didReceiveMemoryWarning();
    EXPECT_THAT(log.take(), ElementsAre(IsMethodTrace("didReceiveMemoryWarning", source.description())));
    EXPECT_THAT(source.description(), MatchesRegex("<RMAbstractMercatorWebSource: 0x[0-9a-f]+>"));
}

TEST(RMOpenStreetMapSourceTest, NamesAndLimits)
{
    const RMOpenStreetMapSource source;
    EXPECT_EQ(source.uniqueTilecacheKey(), "OpenStreetMap");
    EXPECT_EQ(source.shortName(), "Open Street Map");
    EXPECT_EQ(source.longDescription(),
        "Open Street Map, the free wiki world map, provides freely usable map data for all parts of the "
        "world, "
        "under the Creative Commons Attribution-Share Alike 2.0 license.");
    EXPECT_EQ(source.shortAttribution(), "\u00a9 OpenStreetMap CC-BY-SA");
    EXPECT_EQ(source.longAttribution(),
        "Map data \u00a9 OpenStreetMap, licensed under Creative Commons Share Alike By Attribution.");
    EXPECT_EQ(source.minZoom(), 1.0f);
    EXPECT_EQ(source.maxZoom(), 16.0f);
    EXPECT_EQ(source.mercatorToTileProjection()->maxZoom(), 18u) << "the grid still spans 18 levels";
    EXPECT_THAT(source.description(), MatchesRegex("<RMOpenStreetMapSource: 0x[0-9a-f]+>"));
}

TEST(RMOpenStreetMapSourceTest, TileURLsFollowZoomXY)
{
    const TileHostRestorer restorer;
    const RMOpenStreetMapSource source;
    EXPECT_EQ(source.tileURL(RMTile { 0, 1, 1 }), "https://tile.openstreetmap.org/1/0/1.png");
    EXPECT_EQ(
        source.tileURL(RMTile { 17600, 10740, 15 }), "https://tile.openstreetmap.org/15/17600/10740.png");
    EXPECT_EQ(source.tileURL(RMTile { 65535, 0, 16 }), "https://tile.openstreetmap.org/16/65535/0.png");
}

// The public server was asked over plain HTTP (and redirected to HTTPS for
// every tile); tiles of any --tile-host went into the public server's
// database file.
TEST(RMOpenStreetMapSourceTest, EachServerHasItsSchemeAndADatabaseOfItsOwn)
{
    const TileHostRestorer restorer;
    const RMOpenStreetMapSource source;
    const struct {
        const char* host;
        const char* url;
        const char* key;
    } cases[] = {
        { "", "https://tile.openstreetmap.org/3/1/2.png", "OpenStreetMap" },
        { "tile.openstreetmap.org", "https://tile.openstreetmap.org/3/1/2.png", "OpenStreetMap" },
        { "127.0.0.1:8080", "http://127.0.0.1:8080/3/1/2.png", "OpenStreetMap-127.0.0.1-8080" },
        { "tiles.example", "https://tiles.example/3/1/2.png", "OpenStreetMap-tiles.example" },
        { "https://tiles.example:8443", "https://tiles.example:8443/3/1/2.png",
            "OpenStreetMap-tiles.example-8443" },
    };
    for (const auto& [host, url, key] : cases) {
        SCOPED_TRACE(host);
        RMOpenStreetMapSource::setTileHost(host);
        EXPECT_EQ(source.tileURL(RMTile { 1, 2, 3 }), url);
        EXPECT_EQ(source.uniqueTilecacheKey(), key);
    }
}

TEST(RMOpenStreetMapSourceTest, ZoomOutsideTheRangeIsAnAssertion)
{
    const RMOpenStreetMapSource source;
    for (const std::int16_t zoom : { std::int16_t { 17 }, std::int16_t { 0 }, std::int16_t { -1 } }) {
        try {
            source.tileURL(RMTile { 0, 0, zoom });
            ADD_FAILURE() << "zoom " << zoom << " accepted";
        } catch (const base::AssertionFailure& failure) {
            EXPECT_EQ(failure.description(),
                source.description() + " tried to retrieve tile with zoomLevel " + std::to_string(zoom)
                    + ", outside source's defined range 1.000000 to 16.000000");
        }
    }
}

TEST(RMOpenStreetMapSourceTest, HostComesFromTheSetterThenTheEnvironment)
{
    const TileHostRestorer restorer;
    const RMOpenStreetMapSource source;
    setenv("VANTRY_TILE_HOST", "tiles.example:8080", 1);
    EXPECT_EQ(source.tileURL(RMTile { 1, 2, 3 }), "http://tiles.example:8080/3/1/2.png");
    RMOpenStreetMapSource::setTileHost("127.0.0.1:9");
    EXPECT_EQ(RMOpenStreetMapSource::tileHost(), "127.0.0.1:9");
    RMOpenStreetMapSource::setTileHost("");
    EXPECT_EQ(RMOpenStreetMapSource::tileHost(), "tiles.example:8080");
}

TEST(RMOpenStreetMapSourceTest, TileImageNormalisesTheColumnAndDownloads)
{
    const TileHostRestorer restorer;
    ScratchHome home;
    const vantry::test::TileServer server;
    RMOpenStreetMapSource::setTileHost("127.0.0.1:" + std::to_string(server.port()));
    RMOpenStreetMapSource source;

    const auto image = std::dynamic_pointer_cast<RMWebTileImage>(source.tileImage(RMTile { 5, 1, 2 }));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->tile(), (RMTile { 1, 1, 2 }));
    EXPECT_EQ(image->url(), server.tileUrl(2, 1, 1));
    ASSERT_TRUE(tiles::test::waitFor([&] { return !image->connection(); }));
    EXPECT_TRUE(image->isLoaded());
}

class RMCachedTileSourceTest : public testing::Test {
protected:
    RMCachedTileSourceTest()
    {
        cached_ = RMCachedTileSource::cachedTileSourceWithSourceConfiguration(source_, memoryOnly());
        log_.take();
    }
    ~RMCachedTileSourceTest() override
    {
        cached_.reset();
        EXPECT_THAT(log_.take(), testing::Each(testing::HasSubstr("dealloc logged method call")));
    }

    ScratchHome home_;
    LogCapture log_;
    std::shared_ptr<RMOpenStreetMapSource> source_ = std::make_shared<RMOpenStreetMapSource>();
    std::shared_ptr<RMCachedTileSource> cached_;
};

TEST_F(RMCachedTileSourceTest, NeverWrapsTwice)
{
    EXPECT_EQ(RMCachedTileSource::cachedTileSourceWithSource(cached_), cached_);
    EXPECT_EQ(cached_->underlyingTileSource(), source_);
    EXPECT_EQ(RMCachedTileSource::cachedTileSourceWithSource(nullptr), nullptr);
    EXPECT_THAT(log_.take(), testing::IsEmpty()) << "no second chain was built";
}

TEST_F(RMCachedTileSourceTest, HitsComeFromTheChainAndMissesJoinIt)
{
    const TileHostRestorer restorer;
    const vantry::test::TileServer server;
    RMOpenStreetMapSource::setTileHost("127.0.0.1:" + std::to_string(server.port()));
    const RMTile tile { 1, 1, 2 };

    const std::shared_ptr<RMTileImage> first = cached_->tileImage(tile);
    const std::shared_ptr<RMTileImage> second = cached_->tileImage(tile);
    EXPECT_EQ(first, second);
    ASSERT_TRUE(tiles::test::waitFor([&] { return first->isLoaded(); }));
    EXPECT_EQ(server.requestCount("/2/1/1.png"), 1u);
}

TEST_F(RMCachedTileSourceTest, MemoryWarningReachesTheChainThenTheSource)
{
    const auto memory = std::dynamic_pointer_cast<RMMemoryCache>(cached_->cache().caches().at(0));
    ASSERT_NE(memory, nullptr);
    memory->addTileWithImage(RMTile { 0, 0, 1 }, RMTileImage::dummyTile(RMTile { 0, 0, 1 }));

    cached_->didReceiveMemoryWarning();
    EXPECT_THAT(log_.take(),
        ElementsAre(IsMethodTrace("didReceiveMemoryWarning", cached_->description()),
            IsMethodTrace("didReceiveMemoryWarning", cached_->cache().description()),
            IsMethodTrace("didReceiveMemoryWarning", memory->description()),
            IsMethodTrace("didReceiveMemoryWarning", source_->description())));
    EXPECT_EQ(memory->count(), 0u);
}

TEST_F(RMCachedTileSourceTest, RemovingEverythingEmptiesTheChainButNotTheResponseCache)
{
    const auto memory = std::dynamic_pointer_cast<RMMemoryCache>(cached_->cache().caches().at(0));
    memory->addTileWithImage(RMTile { 0, 0, 1 }, RMTileImage::dummyTile(RMTile { 0, 0, 1 }));
    platform::ResponseCache::shared().storeResponse(
        "http://tiles.example/1/0/0.png", 200, {}, { platform::Data::fromString("bytes") });

    cached_->removeAllCachedImages();
    EXPECT_EQ(memory->count(), 0u);
    EXPECT_EQ(platform::ResponseCache::shared().cachedData("http://tiles.example/1/0/0.png").view(), "bytes");
}

} // namespace
