#include "AtomicFile.h"
#include "LogCapture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using platform::Data;

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
    EXPECT_EQ(std::filesystem::symlink_status(path).permissions(),
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path().toStdString()), {}), 2);

    vantry::test::LogCapture log;
    EXPECT_FALSE(platform::writeFileAtomically(path + "/below", Data::fromString("lost")));
    EXPECT_EQ(log.take(), std::vector<std::string> { "Could not write " + path + "/below: Not a directory" });
}
