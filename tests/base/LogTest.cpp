#include "Log.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kThreads = 8;
constexpr int kLinesEach = 500;

void logFromManyThreads()
{
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLinesEach; ++i)
                base::logf("thread {} line {} {}", t, i, std::string(40, 'x'));
        });
    }
    for (std::thread& thread : threads)
        thread.join();
}

void expectEveryLineWhole(const std::vector<std::string>& lines)
{
    ASSERT_EQ(lines.size(), std::size_t(kThreads * kLinesEach));
    std::vector<int> next(kThreads, 0);
    for (const std::string& line : lines) {
        int thread = -1;
        int index = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "thread %d line %d", &thread, &index), 2) << line;
        ASSERT_TRUE(thread >= 0 && thread < kThreads) << line;
        EXPECT_EQ(index, next[thread]++) << line;
        EXPECT_TRUE(line.ends_with(" " + std::string(40, 'x'))) << line;
    }
}

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
    logFromManyThreads();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    base::setLogSink(previous);

    std::ifstream written(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(written, line);)
        lines.push_back(line);
    expectEveryLineWhole(lines);
}

} // namespace
