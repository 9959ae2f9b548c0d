// Test entry point of the suites without Qt (the codec, the protocol, the
// SQLite layer, the server): a log line no test expects fails the test.
#include "LogCapture.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    vantry::test::failOnUncapturedLog();
    return RUN_ALL_TESTS();
}
