// Test entry point: a Qt application (offscreen unless a platform is chosen)
// so that pictures, fonts, networking and widgets work in every test.
#include "LogCapture.h"

#include <QApplication>
#include <QByteArray>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    vantry::test::failOnUncapturedLog();
    return RUN_ALL_TESTS();
}
