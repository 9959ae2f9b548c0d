#include "Utilities.h"
#include "Directories.h"
#include "LogCapture.h"
#include "ScopedEnvironment.h"
#include "TestImages.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using game::Utilities;
using vantry::test::LogCapture;

namespace {

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

platform::Data png(const QColor& color)
{
    return vantry::test::encodePng(vantry::test::makeSolidImage(4, 3, color));
}

// The user's temporary folder is a scratch folder while the test runs.
class UtilitiesTest : public ::testing::Test {
protected:
    QTemporaryDir scratch;
    vantry::test::ScopedEnvironment tmpdir { "TMPDIR", scratch.path().toStdString() };
    std::string folder = Utilities::cacheFolder();
    Utilities utilities;
};

} // namespace

TEST_F(UtilitiesTest, AKeptPictureIsReadBackFromItsFile)
{
    EXPECT_EQ(folder, platform::Directories::temporary() + "/markers");
    EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all);
    EXPECT_TRUE(utilities.getCachedImage("ms").isNull());
    const platform::Image kept = utilities.cacheImage("ms", "http://h/img/ms.png", png(QColor(10, 200, 30)));
    ASSERT_FALSE(kept.isNull());
    EXPECT_EQ(qGreen(kept.pixels().pixel(1, 1)), 200);
    EXPECT_EQ(headOf(folder + "/ms"), "\x89PNG");
    const platform::Image read = Utilities().getCachedImage("ms");
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(qGreen(read.pixels().pixel(1, 1)), 200);
}

TEST_F(UtilitiesTest, TheFormatFollowsTheUrlInAnyLetterCase)
{
    const std::string png = "\x89PNG", jpeg = "\xFF\xD8\xFF";
    const std::vector<std::vector<std::string>> cases { { "upper", "/img/upper.PNG", png },
        { "jpg", "/img/photo.JpG", jpeg }, { "jpeg", "/img/photo.jpeg?size=2", jpeg },
        { "png-first", "/img/a.jpg.png", png } };
    for (const auto& c : cases) {
        EXPECT_FALSE(utilities.cacheImage(c[0], "http://h" + c[1], ::png(Qt::red)).isNull()) << c[1];
        EXPECT_EQ(headOf(folder + "/" + c[0]).substr(0, c[2].size()), c[2]) << c[1];
    }
}

TEST_F(UtilitiesTest, WhatCannotBeKeptIsNeitherWrittenNorShown)
{
    const std::vector<std::tuple<std::string, platform::Data, std::string>> cases {
        { "http://h/img/ms.gif", png(Qt::blue), "" },
        { "http://h/img/text.png", platform::Data::fromString("not a picture"),
            "Could not decode the image at http://h/img/text.png" },
    };
    for (const auto& [url, bytes, line] : cases) {
        LogCapture log;
        EXPECT_TRUE(utilities.cacheImage("ms", url, bytes).isNull()) << url;
        EXPECT_EQ(log.take(), line.empty() ? std::vector<std::string> {} : std::vector<std::string> { line });
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
        ASSERT_FALSE(
            utilities.cacheImage(names[i], "http://h/img/x.png", png(QColor(0, 0, static_cast<int>(i))))
                .isNull())
            << names[i];
        const platform::Image image = utilities.getCachedImage(names[i]);
        ASSERT_FALSE(image.isNull()) << names[i];
        EXPECT_EQ(qBlue(image.pixels().pixel(0, 0)), static_cast<int>(i)) << names[i];
    }
    EXPECT_EQ(tree(scratch.path().toStdString()).size(), 2 + names.size()) << "two folders and a file a name";
}
