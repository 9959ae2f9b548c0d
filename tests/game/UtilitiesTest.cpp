#include "Utilities.h"
#include "Directories.h"
#include "LogCapture.h"
#include "ScopedEnvironment.h"
#include "TestImages.h"
#include "TileServer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

using game::Utilities;
using vantry::test::LogCapture;

namespace {

// Long enough for any loopback answer; the silent server waits it out.
constexpr double kTimeout = 0.3;

std::string headOf(const std::string& path)
{
    std::string head(4, '\0');
    std::ifstream(path, std::ios::binary).read(head.data(), 4);
    return head;
}

// Every file and folder below `root`, relative to it.
std::set<std::string> tree(const std::string& root)
{
    std::set<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        entries.insert(std::filesystem::relative(entry.path(), root).string());
    return entries;
}

// The user's temporary folder is a scratch folder while the test runs.
class UtilitiesTest : public ::testing::Test {
protected:
    std::string serve(const std::string& path, const QColor& color)
    {
        const auto png = vantry::test::encodePng(vantry::test::makeSolidImage(4, 3, color));
        server.respondWithBody(path, std::string(png.view()), "image/png");
        return server.baseUrl() + path;
    }

    QTemporaryDir scratch;
    vantry::test::ScopedEnvironment tmpdir { "TMPDIR", scratch.path().toStdString() };
    std::string folder = Utilities::cacheFolder();
    vantry::test::TileServer server;
    Utilities utilities { kTimeout };
};

} // namespace

TEST_F(UtilitiesTest, TheFirstCallDownloadsAndWritesThePngLaterCallsReadTheFile)
{
    EXPECT_EQ(folder, platform::Directories::temporary() + "/markers");
    EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all);
    const std::string url = serve("/img/ms.png", QColor(10, 200, 30));
    for (int response = 0; response < 3; ++response) {
        Utilities perResponse(kTimeout);
        perResponse.cacheImage("ms", url);
        const platform::Image image = perResponse.getCachedImage("ms", url);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(qGreen(image.pixels().pixel(1, 1)), 200);
    }
    EXPECT_EQ(server.requestCount("/img/ms.png"), 1u);
    EXPECT_EQ(headOf(folder + "/ms"), "\x89PNG");

    // A file written anew is read anew, though its picture was kept decoded.
    std::filesystem::remove(folder + "/ms");
    const platform::Data other = vantry::test::encodePng(vantry::test::makeSolidImage(5, 3, QColor(200, 10, 30)));
    std::ofstream(folder + "/ms", std::ios::binary).write(reinterpret_cast<const char*>(other.data()), other.size());
    EXPECT_EQ(qRed(utilities.getCachedImage("ms", url).pixels().pixel(1, 1)), 200);
}

TEST_F(UtilitiesTest, TheFormatFollowsTheUrlInAnyLetterCase)
{
    const std::string png = "\x89PNG", jpeg = "\xFF\xD8\xFF";
    const std::vector<std::vector<std::string>> cases { { "upper", "/img/upper.PNG", "", png },
        { "jpg", "/img/photo.JpG", "", jpeg }, { "jpeg", "/img/photo.jpeg", "?size=2", jpeg },
        { "png-first", "/img/a.jpg.png", "", png } };
    for (const auto& c : cases) {
        EXPECT_FALSE(utilities.getCachedImage(c[0], serve(c[1], Qt::red) + c[2]).isNull()) << c[1];
        EXPECT_EQ(headOf(folder + "/" + c[0]).substr(0, c[3].size()), c[3]) << c[1];
    }
}

// As after a failed download, getCachedImage finds no file and downloads
// a second time.
TEST_F(UtilitiesTest, WithoutAKnownExtensionEveryCallDownloadsAndNothingIsKept)
{
    const std::string url = serve("/img/ms.gif", Qt::blue);
    utilities.cacheImage("ms", url);
    EXPECT_TRUE(utilities.getCachedImage("ms", url).isNull());
    EXPECT_EQ(server.requestCount("/img/ms.gif"), 2u);
    EXPECT_TRUE(tree(folder).empty());
}

// Regression: a picture server that never answered froze the game.
TEST_F(UtilitiesTest, FailedDownloadsWriteNothing)
{
    server.respondWithStatus("/img/gone.png", 404);
    server.respondWithBody("/img/text.png", "not a picture", "image/png");
    server.hold("/img/never.png");
    const std::string base = server.baseUrl();
    const std::vector<std::pair<std::string, std::string>> cases {
        { "/img/gone.png", "Could not fetch " + base + "/img/gone.png: HTTP status 404" },
        { "/img/text.png", "Could not decode the image at " + base + "/img/text.png" },
        { "/img/never.png",
            "Could not fetch " + base + "/img/never.png: no complete answer within 0.3 seconds" },
    };
    for (const auto& [path, line] : cases) {
        LogCapture log;
        EXPECT_TRUE(utilities.getCachedImage("x", base + path).isNull()) << path;
        EXPECT_EQ(log.take(), std::vector<std::string> { line });
    }
    EXPECT_TRUE(tree(folder).empty());
}

TEST_F(UtilitiesTest, PlainNamesAreFileNamesOthersAreEncoded)
{
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases { { "ms", "ms" },
        { "Hero_2-b.png", "Hero_2-b.png" }, { "", "%" }, { "..", "%.." }, { ".hidden", "%.hidden" },
        { "../../.bashrc", "%..%2F..%2F.bashrc" }, { std::string("a\0b", 3), "%a%00b" },
        { "a%2Fb", "%a%252Fb" }, { std::string(200, 'a'), std::string(200, 'a') },
        { std::string(201, 'a'), std::nullopt }, { std::string(67, '/'), std::nullopt } };
    for (const auto& [name, fileName] : cases)
        EXPECT_EQ(Utilities::cacheFileName(name), fileName) << name;
}

// Regression: image names from the server were used as file names, so a
// name could write outside the cache folder or two names share a file.
TEST_F(UtilitiesTest, HostileNamesStayInTheFolderAndNeverShareAFile)
{
    const std::vector<std::string> names { "../../.bashrc", "/etc/x", ".", "..", "", "a/b",
        std::string("a\0b", 3), "a_b", "a%2Fb", "%a%2Fb", "ms" };
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string url
            = serve("/img/" + std::to_string(i) + ".png", QColor(0, 0, static_cast<int>(i)));
        const platform::Image image = utilities.getCachedImage(names[i], url);
        ASSERT_FALSE(image.isNull()) << names[i];
        EXPECT_EQ(qBlue(image.pixels().pixel(0, 0)), static_cast<int>(i)) << names[i];
    }
    EXPECT_EQ(tree(scratch.path().toStdString()).size(), 2 + names.size()) << "two folders and a file a name";
}
