// Test entry point: a Qt application (offscreen unless a platform is chosen)
// so that pictures, fonts, networking and widgets work in every test. The
// user's data, cache and temporary folders point into a scratch folder, so no
// test touches the real ones.
#include "LogCapture.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    // The temporary folder must exist: std::filesystem::temp_directory_path fails otherwise.
    const QString tmp = home.path() + "/tmp";
    if (!QDir().mkpath(tmp))
        return 1;
    qputenv("TMPDIR", tmp.toUtf8());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    vantry::test::failOnUncapturedLog();
    return RUN_ALL_TESTS();
}
