#include "Directories.h"
#include "LogCapture.h"
#include "ScopedEnvironment.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>
#include <unistd.h>

using platform::Directories;
using vantry::test::ScopedEnvironment;

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat info { };
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    EXPECT_TRUE(S_ISDIR(info.st_mode)) << path;
    return info.st_mode & 07777;
}

} // namespace

TEST(Directories, DocumentsAndCachesFollowXdgAndAreCreatedOwnerOnly)
{
    QTemporaryDir root;
    const std::string base = root.path().toStdString();
    ScopedEnvironment data("XDG_DATA_HOME", base + "/data/deeper");
    ScopedEnvironment cache("XDG_CACHE_HOME", base + "/cache");

    const std::string documents = Directories::documents();
    EXPECT_EQ(documents, base + "/data/deeper/vantry");
    EXPECT_EQ(modeOf(documents), 0700u);
    EXPECT_EQ(modeOf(base + "/data"), 0700u);

    const std::string caches = Directories::caches();
    EXPECT_EQ(caches, base + "/cache/vantry");
    EXPECT_EQ(modeOf(caches), 0700u);
    EXPECT_EQ(Directories::caches(), caches) << "asking again finds the same folder";
}

TEST(Directories, DefaultsBelowHomeWhenXdgIsUnsetOrRelative)
{
    QTemporaryDir root;
    const std::string home = root.path().toStdString();
    ScopedEnvironment homeVariable("HOME", home);
    ScopedEnvironment data("XDG_DATA_HOME", "relative/path");
    ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(Directories::documents(), home + "/.local/share/vantry");
    EXPECT_EQ(Directories::caches(), home + "/.cache/vantry");
    EXPECT_EQ(modeOf(home + "/.local/share/vantry"), 0700u);
}

TEST(Directories, ExistingFolderKeepsItsPermissions)
{
    QTemporaryDir root;
    const std::string base = root.path().toStdString();
    ASSERT_EQ(::mkdir((base + "/vantry").c_str(), 0755), 0);
    ::chmod((base + "/vantry").c_str(), 0755);
    ScopedEnvironment data("XDG_DATA_HOME", base);
    EXPECT_EQ(Directories::documents(), base + "/vantry");
    EXPECT_EQ(modeOf(base + "/vantry"), 0755u);
}

TEST(Directories, UncreatableFolderIsLoggedAndItsPathStillGiven)
{
    QTemporaryDir root;
    const std::string file = root.filePath("a-file").toStdString();
    ASSERT_TRUE(QFile(QString::fromStdString(file)).open(QIODevice::WriteOnly));
    ScopedEnvironment data("XDG_DATA_HOME", file);
    vantry::test::LogCapture log;
    EXPECT_EQ(Directories::documents(), file + "/vantry");
    const auto lines = log.take();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("Could not create the folder " + file + "/vantry: ", 0), 0u) << lines[0];
}

TEST(Directories, TemporaryIsAPrivateFolderOfThisUserClosedIfLeftOpen)
{
    QTemporaryDir root;
    const std::string base = root.path().toStdString();
    ScopedEnvironment tmp("TMPDIR", base + "/");
    const std::string temporary = Directories::temporary();
    EXPECT_EQ(temporary, base + "/vantry-" + std::to_string(::getuid()));
    EXPECT_EQ(modeOf(temporary), 0700u);
    ::chmod(temporary.c_str(), 0755);
    EXPECT_EQ(Directories::temporary(), temporary);
    EXPECT_EQ(modeOf(temporary), 0700u);
}

TEST(Directories, TemporaryAvoidsAFolderOthersCouldHavePrepared)
{
    QTemporaryDir root;
    const std::string base = root.path().toStdString();
    const std::string expected = base + "/vantry-" + std::to_string(::getuid());
    ASSERT_EQ(::symlink(base.c_str(), expected.c_str()), 0);
    ScopedEnvironment tmp("TMPDIR", base);
    const std::string temporary = Directories::temporary();
    EXPECT_NE(temporary, expected);
    EXPECT_EQ(temporary.rfind(expected + "-", 0), 0u) << temporary;
    EXPECT_EQ(modeOf(temporary), 0700u);
}
