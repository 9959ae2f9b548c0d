// vantry-server: the game server (see ServerOptions.cpp for the command line, docs/game-rules.md for
// the game).
#include "GameArchive.h"
#include "PgConnection.h"
#include "ServerOptions.h"
#include "VantryServer.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
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

// Whether SIGINT or SIGTERM came (they are blocked, so they wait).
bool stopAsked()
{
    sigset_t pending;
    sigpending(&pending);
    return sigismember(&pending, SIGINT) == 1 || sigismember(&pending, SIGTERM) == 1;
}

// --export or --import: moves the games out of or into the store, and says how it went.
int transfer(const ServerOptions& options)
{
    const std::unique_ptr<server::PlayerStore> store = server::VantryServer::openStore(options.settings);
    if (!store) {
        std::fprintf(stderr, "vantry-server: cannot open the players database (the lines above say why)\n");
        return kCannotStart;
    }
    const bool exporting = !options.exportTo.empty();
    const std::string& file = exporting ? options.exportTo : options.importFrom;
    std::ofstream output;
    std::ifstream input;
    if (file != "-")
        exporting ? output.open(file, std::ios::binary | std::ios::trunc)
                  : input.open(file, std::ios::binary);
    if (file != "-" && !(exporting ? output.is_open() : input.is_open())) {
        std::fprintf(stderr, "vantry-server: cannot open %s\n", file.c_str());
        return kCannotStart;
    }
    if (exporting) {
        const std::optional<long long> count
            = server::exportGames(*store, file == "-" ? std::cout : static_cast<std::ostream&>(output));
        if (!count) {
            std::fprintf(stderr, "vantry-server: the export to %s failed\n", file.c_str());
            return kCannotStart;
        }
        std::fprintf(stderr, "exported %lld games to %s\n", *count, file.c_str());
        return 0;
    }
    std::string problem;
    const std::optional<long long> count
        = server::importGames(*store, file == "-" ? std::cin : static_cast<std::istream&>(input), problem);
    if (!count) {
        std::fprintf(stderr, "vantry-server: nothing imported from %s: %s\n", file.c_str(), problem.c_str());
        return kCannotStart;
    }
    std::fprintf(stderr, "imported %lld games from %s\n", *count, file.c_str());
    return 0;
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
    settings.keepWaiting = [] { return !stopAsked(); };
    if (!options.exportTo.empty() || !options.importFrom.empty())
        return transfer(options);

    const std::unique_ptr<server::VantryServer> server = server::VantryServer::create(settings);
    if (!server) {
        std::fprintf(stderr, "vantry-server: cannot start (the lines above say why)\n");
        return kCannotStart;
    }
    server->start();
    std::error_code error;
    const std::string data
        = std::filesystem::absolute(settings.dataFolder, error).lexically_normal().string();
    if (settings.database.empty())
        std::printf("players database: %s/players.sqlite\n", data.c_str());
    else
        std::printf("players database: %s\n", server::PgConnection::describe(settings.database).c_str());
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
