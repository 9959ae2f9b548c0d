// vantry-server: the game server (see ServerOptions.cpp for the command line, docs/game-rules.md for
// the game).
#include "ServerOptions.h"
#include "VantryServer.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <pthread.h>
#include <random>
#include <string>
#include <sys/resource.h>

namespace {
constexpr int kCannotStart = 1;
constexpr int kUsageError = 2;

// Each kept-alive player holds a socket; the usual soft limit of 1024 descriptors is too few.
void raiseDescriptorLimit()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

std::string urlHost(const std::string& host)
{
    return host.find(':') == std::string::npos ? host : "[" + host + "]";
}
} // namespace

int main(int argc, char** argv)
{
    ServerOptions options = parseServerOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help) {
        std::fwrite(kServerUsage.data(), 1, kServerUsage.size(), stdout);
        return 0;
    }
    if (!options.error.empty()) {
        std::fprintf(stderr, "vantry-server: %s\n%.*s", options.error.c_str(),
            static_cast<int>(kServerUsage.size()), kServerUsage.data());
        return kUsageError;
    }
    server::VantryServerSettings& settings = options.settings;
    if (!options.seedGiven)
        settings.seed = (static_cast<std::uint64_t>(std::random_device {}()) << 32) ^ std::random_device {}();

    raiseDescriptorLimit();

    // Taken by sigwait below, on this thread only; every thread started later inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const std::unique_ptr<server::VantryServer> server = server::VantryServer::create(settings);
    if (!server) {
        std::fprintf(stderr, "vantry-server: cannot start (the lines above say why)\n");
        return kCannotStart;
    }
    server->start();
    std::error_code error;
    const std::string data
        = std::filesystem::absolute(settings.dataFolder, error).lexically_normal().string();
    std::printf("players database: %s/players.sqlite\n", data.c_str());
    if (!server->authorityFile().empty()) {
        const std::string authority
            = std::filesystem::absolute(server->authorityFile(), error).lexically_normal();
        std::printf("%s certificate authority: %s (give it to the client: --ca-file %s)\n",
            server->madeAuthority() ? "made the" : "using the", authority.c_str(), authority.c_str());
    }
    std::printf("listening on https://%s:%d\n", urlHost(settings.host).c_str(), server->playPort());
    std::printf("listening on http://%s:%d\n", urlHost(settings.host).c_str(), server->imagePort());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server->stop();
    return 0;
}
