#include "AtomicFile.h"
#include "ImageRepresentation.h"
#include "LogCapture.h"
#include "TestImages.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using platform::Data;
using platform::Image;

namespace {

std::string contentsOf(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

} // namespace

TEST(FileWritingTest, WritesOwnerOnlyAndReplacesALinkInsteadOfFollowingIt)
{
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/file";
    const std::string target = folder.path().toStdString() + "/target";
    std::ofstream(target) << "target";
    std::filesystem::create_symlink(target, path);

    ASSERT_TRUE(platform::writeFileAtomically(path, Data::fromString("new")));
    EXPECT_EQ(contentsOf(path), "new");
    EXPECT_EQ(contentsOf(target), "target");
    EXPECT_FALSE(std::filesystem::is_symlink(path));
    EXPECT_EQ(std::filesystem::status(path).permissions(),
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path().toStdString()), {}), 2);
}

TEST(FileWritingTest, AFailedWriteIsLoggedAndLeavesNothing)
{
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/missing/file";
    vantry::test::LogCapture log;
    EXPECT_FALSE(platform::writeFileAtomically(path, Data::fromString("lost")));
    EXPECT_EQ(
        log.take(), std::vector<std::string> { "Could not write " + path + ": No such file or directory" });
}

TEST(FileWritingTest, PicturesEncodeAsPngAndJpegThatDecodeAgain)
{
    const Image picture = Image::fromQImage(vantry::test::makeSolidImage(8, 6, QColor(200, 100, 50)));
    const std::optional<Data> png = platform::imagePNGRepresentation(picture);
    const std::optional<Data> jpeg = platform::imageJPEGRepresentation(picture, 1);
    ASSERT_TRUE(png && jpeg);
    EXPECT_EQ(png->view().substr(1, 3), "PNG");
    EXPECT_EQ(jpeg->view().substr(0, 2), "\xFF\xD8");
    for (const Data& bytes : { *png, *jpeg }) {
        const Image decoded = Image::fromData(bytes);
        ASSERT_FALSE(decoded.isNull());
        EXPECT_EQ(decoded.width(), 8);
        EXPECT_NEAR(qRed(decoded.pixels().pixel(4, 3)), 200, 3);
    }
    EXPECT_FALSE(platform::imagePNGRepresentation(Image()));
    EXPECT_FALSE(platform::imageJPEGRepresentation(Image(), 1));
}
