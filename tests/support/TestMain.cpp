// Test entry point: a Qt application (offscreen unless a platform is chosen)
// so that pictures, fonts, networking and widgets work in every test. The
// user's data, cache, temporary and runtime folders point into a scratch
// folder, so no test touches the real ones. A warning from Qt fails the
// running test, as a stray log line does: each one is a misuse of Qt to mend.
#include "LogCapture.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Qt 6.4's network reply reports this when a server closes connections while replies are being
// set up and torn down at once: it notices the same error twice, inside Qt, and handles it.
constexpr const char* kQtDoubleErrorNote
    = "QNetworkReplyImplPrivate::error: Internal problem, this method must only be called once.";

void failOnQtWarning(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg || message == QLatin1String(kQtDoubleErrorNote))
        return;
    ADD_FAILURE() << "unexpected Qt warning: " << message.toStdString();
}

} // namespace

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
    QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    qInstallMessageHandler(failOnQtWarning);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    vantry::test::failOnUncapturedLog();
    return RUN_ALL_TESTS();
}
