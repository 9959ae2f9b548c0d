#include "Log.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// The line and its end were two writes: another thread's line could come
// between them.
TEST(Log, LinesFromManyThreadsNeverInterleaveOnStandardError)
{
    const vantry::test::ScratchFolder folder;
    const std::string path = folder.file("stderr");
    const base::LogSink previous = base::setLogSink({});
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(file, 0);
    ::dup2(file, STDERR_FILENO);
    ::close(file);
    std::vector<std::string> expected;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        for (int i = 0; i < 500; ++i)
            expected.push_back(
                "thread " + std::to_string(t) + " line " + std::to_string(i) + std::string(40, 'x'));
        threads.emplace_back([t] {
            for (int i = 0; i < 500; ++i)
                base::logf("thread {} line {}{}", t, i, std::string(40, 'x'));
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    base::setLogSink(previous);

    std::ifstream written(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(written, line);)
        lines.push_back(line);
    std::ranges::sort(lines);
    std::ranges::sort(expected);
    EXPECT_TRUE(lines == expected) << lines.size() << " lines, " << expected.size() << " expected";
}

} // namespace
