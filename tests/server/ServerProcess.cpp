#include "ServerProcess.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace server::test {

namespace {
constexpr const char* kListening = "listening on https://127.0.0.1:";
constexpr const char* kPictures = "listening on http://127.0.0.1:";
constexpr int kStartMilliseconds = 30000;
} // namespace

ServerProcess::ServerProcess(std::vector<std::string> arguments)
{
    int output[2];
    if (::pipe(output) != 0)
        return;
    char errorsName[] = "/tmp/vantry-server-errors-XXXXXX";
    const int errorsFile = ::mkstemp(errorsName);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errorsFile, STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    arguments.insert(arguments.begin(), VANTRY_SERVER_PROGRAM);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const bool spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    if (!spawned)
        pid_ = -1;

    std::string printed;
    pollfd readable { output[0], POLLIN, 0 };
    while (spawned && printed.find('\n', printed.find(kPictures)) == std::string::npos
        && ::poll(&readable, 1, kStartMilliseconds) == 1) {
        char buffer[512];
        const ssize_t count = ::read(output[0], buffer, sizeof buffer);
        if (count <= 0)
            break;
        printed.append(buffer, static_cast<std::size_t>(count));
    }
    // Kept open: the program may still print, and must not meet a closed pipe.
    output_ = output[0];
    if (const std::size_t at = printed.find(kListening); at != std::string::npos)
        playPort_ = std::atoi(printed.c_str() + at + std::char_traits<char>::length(kListening));
    if (const std::size_t at = printed.find(kPictures); at != std::string::npos)
        imagePort_ = std::atoi(printed.c_str() + at + std::char_traits<char>::length(kPictures));
    std::ostringstream errors;
    errors << std::ifstream(errorsName).rdbuf();
    errors_ = errors.str();
    ::close(errorsFile);
    ::unlink(errorsName);
}

ServerProcess::~ServerProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0)
        ::close(output_);
}

void ServerProcess::kill()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    playPort_ = 0;
}

} // namespace server::test
