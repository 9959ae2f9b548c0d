#include "ResponseCache.h"
#include "Data.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Data;
using platform::ResponseCache;

namespace {

class ResponseCacheTest : public ::testing::Test {
protected:
    ResponseCacheTest() { cache.setDirectory(folder.path().toStdString()); }

    QTemporaryDir folder;
    ResponseCache& cache = ResponseCache::shared();
    const std::string url = "http://tiles.example/1/0/0.png";
    const std::vector<std::pair<std::string, std::string>> headers { { "Content-Type", "image/png" },
        { "Cache-Control", "public, max-age=60" } };
};

} // namespace

TEST_F(ResponseCacheTest, StoresBodiesByUrlOnDisk)
{
    ASSERT_TRUE(
        cache.storeResponse(url, 200, headers, { Data::fromString("first "), Data::fromString("second") }));
    EXPECT_EQ(cache.cachedData(url).view(), "first second");
    EXPECT_TRUE(cache.cachedData("http://tiles.example/1/0/1.png").empty());
    EXPECT_FALSE(QDir(folder.path()).isEmpty());

    cache.removeResponse(url);
    EXPECT_TRUE(cache.cachedData(url).empty());
    ASSERT_TRUE(cache.storeResponse(url, 200, headers, { Data::fromString("tile") }));
    cache.removeAllResponses();
    EXPECT_TRUE(cache.cachedData(url).empty());
}

TEST_F(ResponseCacheTest, RefusesErrorsAndNoStoreAnswers)
{
    EXPECT_FALSE(cache.storeResponse(url, 404, headers, { Data::fromString("missing") }));
    EXPECT_FALSE(cache.storeResponse(url, 302, headers, { Data::fromString("moved") }));
    EXPECT_FALSE(
        cache.storeResponse(url, 200, { { "cache-control", "No-Store" } }, { Data::fromString("secret") }));
    EXPECT_TRUE(cache.cachedData(url).empty());
}

TEST_F(ResponseCacheTest, EntriesStayInTheirFolder)
{
    ASSERT_TRUE(cache.storeResponse(url, 200, headers, { Data::fromString("tile") }));
    QTemporaryDir other;
    cache.setDirectory(other.path().toStdString());
    EXPECT_TRUE(cache.cachedData(url).empty());
    cache.setDirectory(folder.path().toStdString());
    EXPECT_EQ(cache.cachedData(url).view(), "tile");
}
