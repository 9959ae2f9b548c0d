#include "Bundle.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using platform::Bundle;

TEST(Bundle, FindsResourcesInTheFolderNamedByTheEnvironmentFirst)
{
    QTemporaryDir folder;
    std::ofstream(folder.filePath("vantry-bundle-test.plist").toStdString()) << "<plist/>";
    std::ofstream(folder.filePath("README").toStdString()) << "text";
    QDir(folder.path()).mkdir("img");
    std::ofstream(folder.filePath("img/coin.png").toStdString()) << "png";
    ::setenv("VANTRY_RESOURCES", folder.path().toUtf8().constData(), 1);

    EXPECT_EQ(Bundle::pathForResource("vantry-bundle-test", "plist"),
        folder.filePath("vantry-bundle-test.plist").toStdString());
    EXPECT_EQ(Bundle::pathForResource("README", ""), folder.filePath("README").toStdString());
    EXPECT_EQ(Bundle::pathForResource("missing", "png"), "");
    EXPECT_EQ(Bundle::pathForResource("", "plist"), "");
    EXPECT_EQ(Bundle::pathForResource("../etc/passwd", ""), "") << "names never leave the resource folders";
    EXPECT_EQ(Bundle::pathForResource("coin", "png", "img"), folder.filePath("img/coin.png").toStdString());
    EXPECT_EQ(Bundle::pathForResource("passwd", "", ".."), "");
    ::unsetenv("VANTRY_RESOURCES");
    EXPECT_EQ(Bundle::pathForResource("vantry-bundle-test", "plist"), "");
}
