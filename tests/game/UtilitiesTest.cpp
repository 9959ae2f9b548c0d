#include "Utilities.h"
#include "Directories.h"
#include "LogCapture.h"
#include "TestImages.h"
#include "TileServer.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

using game::Utilities;
using platform::Image;
using vantry::test::LogCapture;
using vantry::test::TileServer;

namespace {

// Long enough for any loopback answer; the never-answering server waits it out.
constexpr double kTimeout = 0.3;

std::string pngOf(const QColor& color)
{
    return std::string(vantry::test::encodePng(vantry::test::makeSolidImage(4, 3, color)).view());
}

std::string headOf(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::string head(4, '\0');
    file.read(head.data(), 4);
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

// Points the user's temporary folder into a scratch folder while it lives.
class ScratchTemporaryFolder {
public:
    ScratchTemporaryFolder()
        : previous_(qgetenv("TMPDIR"))
        , hadPrevious_(qEnvironmentVariableIsSet("TMPDIR"))
    {
        qputenv("TMPDIR", scratch_.path().toUtf8());
    }
    ~ScratchTemporaryFolder()
    {
        if (hadPrevious_)
            qputenv("TMPDIR", previous_);
        else
            qunsetenv("TMPDIR");
    }
    std::string path() const { return scratch_.path().toStdString(); }

private:
    QTemporaryDir scratch_;
    QByteArray previous_;
    bool hadPrevious_;
};

class UtilitiesTest : public ::testing::Test {
protected:
    std::string serve(const std::string& path, const QColor& color)
    {
        server.respondWithBody(path, pngOf(color), "image/png");
        return server.baseUrl() + path;
    }

    ScratchTemporaryFolder scratch;
    std::string folder = Utilities::cacheFolder();
    TileServer server;
    Utilities utilities { kTimeout };
};

} // namespace

TEST_F(UtilitiesTest, TheFirstCallDownloadsAndWritesThePngLaterCallsReadTheFile)
{
    EXPECT_EQ(folder, platform::Directories::temporary() + "/markers");
    EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all);
    const std::string url = serve("/img/ms.png", QColor(10, 200, 30));
    for (int round = 0; round < 3; ++round) {
        Utilities perResponse(kTimeout);
        perResponse.cacheImage("ms", url);
        const Image image = perResponse.getCachedImage("ms", url);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), 4);
        EXPECT_EQ(image.height(), 3);
        EXPECT_EQ(qGreen(image.pixels().pixel(1, 1)), 200);
    }
    EXPECT_EQ(server.requestCount("/img/ms.png"), 1u);
    EXPECT_EQ(headOf(folder + "/ms"), "\x89PNG");
}

TEST_F(UtilitiesTest, TheFormatFollowsTheUrlInAnyLetterCase)
{
    struct Case {
        std::string name;
        std::string path;
        std::string query;
        std::string head;
    };
    const std::vector<Case> cases {
        { "upper", "/img/upper.PNG", "", "\x89PNG" },
        { "jpg", "/img/photo.JpG", "", "\xFF\xD8\xFF" },
        { "jpeg", "/img/photo.jpeg", "?size=2", "\xFF\xD8\xFF" },
        { "png-first", "/img/a.jpg.png", "", "\x89PNG" },
    };
    for (const Case& c : cases) {
        const std::string url = serve(c.path, Qt::red) + c.query;
        EXPECT_FALSE(utilities.getCachedImage(c.name, url).isNull()) << c.path;
        EXPECT_EQ(headOf(folder + "/" + c.name).substr(0, c.head.size()), c.head) << c.path;
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
    struct Case {
        std::string path;
        std::string line;
    };
    const std::vector<Case> cases {
        { "/img/gone.png", ": HTTP status 404" },
        { "/img/text.png", "" },
        { "/img/never.png", ": no complete answer within 0.3 seconds" },
    };
    for (const Case& c : cases) {
        LogCapture log;
        const std::string url = server.baseUrl() + c.path;
        EXPECT_TRUE(utilities.getCachedImage("x", url).isNull()) << c.path;
        const std::string line
            = c.line.empty() ? "Could not decode the image at " + url : "Could not fetch " + url + c.line;
        EXPECT_EQ(log.take(), std::vector<std::string> { line });
        EXPECT_EQ(server.requestCount(c.path), 1u);
    }
    EXPECT_TRUE(tree(folder).empty());
}

TEST_F(UtilitiesTest, PlainNamesAreFileNamesOthersAreEncoded)
{
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases {
        { "ms", "ms" },
        { "Hero_2-b.png", "Hero_2-b.png" },
        { "", "%" },
        { ".", "%." },
        { "..", "%.." },
        { ".hidden", "%.hidden" },
        { "../../.bashrc", "%..%2F..%2F.bashrc" },
        { "/etc/x", "%%2Fetc%2Fx" },
        { std::string("a\0b", 3), "%a%00b" },
        { "a%2Fb", "%a%252Fb" },
        { "é", "%%C3%A9" },
        { std::string(200, 'a'), std::string(200, 'a') },
        { std::string(201, 'a'), std::nullopt },
        { std::string(67, '/'), std::nullopt },
    };
    for (const auto& [name, fileName] : cases)
        EXPECT_EQ(Utilities::cacheFileName(name), fileName) << name;

    LogCapture log;
    const std::string url = serve("/img/long.png", Qt::red);
    EXPECT_TRUE(utilities.getCachedImage(std::string(201, 'a'), url).isNull());
    EXPECT_EQ(log.take(), std::vector<std::string> { "Image name of 201 bytes is too long to cache" });
    EXPECT_EQ(server.requestCount("/img/long.png"), 0u);
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
        EXPECT_FALSE(utilities.getCachedImage(names[i], url).isNull()) << names[i];
    }
    EXPECT_EQ(tree(scratch.path()).size(), 2 + names.size()) << "the two folders and one file a name";
    for (const std::string& file : tree(folder))
        EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/" + file)) << file;

    Utilities later(kTimeout);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Image image = later.getCachedImage(names[i], server.baseUrl() + "/unused.png");
        ASSERT_FALSE(image.isNull()) << names[i];
        EXPECT_EQ(qBlue(image.pixels().pixel(0, 0)), static_cast<int>(i)) << names[i];
    }
    EXPECT_EQ(server.requestCount("/unused.png"), 0u);
}
