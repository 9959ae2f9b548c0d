#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace server::test {

// The real vantry-server program, run as a child process with `arguments`, its ports read from what
// it prints once listening. kill() ends it at once, as a crash would; the destructor stops it cleanly.
class ServerProcess {
public:
    explicit ServerProcess(std::vector<std::string> arguments);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Whether it started listening (within 30 s); its standard error otherwise.
    bool isListening() const { return playPort_ > 0; }
    const std::string& errors() const { return errors_; }
    int playPort() const { return playPort_; }
    int imagePort() const { return imagePort_; }

    void kill();

private:
    pid_t pid_ = -1;
    int output_ = -1;
    int playPort_ = 0;
    int imagePort_ = 0;
    std::string errors_;
};

} // namespace server::test
