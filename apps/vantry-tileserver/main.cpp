// vantry-tileserver: a map tile server on the loopback interface that draws
// every tile it is asked for (its z/x/y, grid lines, a colour of its own),
// for trying the map without the internet.
#include "TileArt.h"

#include <QGuiApplication>

#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <regex>
#include <string>
#include <string_view>
#include <thread>

namespace {

constexpr int kUsageError = 2;

constexpr std::string_view kUsage = R"(usage: vantry-tileserver [--port PORT] [--host ADDRESS]

Serves generated 256-pixel PNG map tiles under "/ZOOM/X/Y.png" (spherical
Mercator numbering, zoom 0 to 30) until interrupted. Each tile shows its
zoom/x/y, black grid lines every 64 pixels and a background colour of its
own. Any other path answers 404.

Options:
  --port PORT     the port to listen on; 0 (the default) lets the system
                  choose one
  --host ADDRESS  a loopback address to listen on: 127.0.0.1 (the default),
                  another 127.x.y.z, ::1 or localhost
  --help          show this text

Once listening it prints "listening on http://ADDRESS:PORT" on standard
output. SIGINT or SIGTERM stops it; it then exits 0.
)";

bool isLoopback(const std::string& host)
{
    return host == "localhost" || host == "::1" || host.starts_with("127.");
}

void usageError(const std::string& message)
{
    std::fprintf(stderr, "vantry-tileserver: %s\n%.*s", message.c_str(), static_cast<int>(kUsage.size()),
        kUsage.data());
    std::exit(kUsageError);
}

} // namespace

int main(int argc, char** argv)
{
    std::string host = "127.0.0.1";
    int port = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help") {
            std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
            return 0;
        }
        if ((argument == "--port" || argument == "--host") && i + 1 >= argc)
            usageError(std::string(argument) + " needs a value");
        if (argument == "--port") {
            char* end = nullptr;
            const long value = std::strtol(argv[++i], &end, 10);
            if (*argv[i] == '\0' || *end != '\0' || value < 0 || value > 65535)
                usageError("the port must be a number from 0 to 65535");
            port = static_cast<int>(value);
        } else if (argument == "--host") {
            host = argv[++i];
            if (!isLoopback(host))
                usageError("only loopback addresses are served");
        } else {
            usageError("unknown argument " + std::string(argument));
        }
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    // The signals are taken by sigwait below, on this thread only.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    httplib::Server server;
    server.Get(
        R"(/(\d+)/(\d+)/(\d+)\.png)", [](const httplib::Request& request, httplib::Response& response) {
            const int zoom = std::stoi(request.matches[1]);
            const long long x = std::stoll(request.matches[2]);
            const long long y = std::stoll(request.matches[3]);
            if (zoom > 30 || x >= (1LL << zoom) || y >= (1LL << zoom)) {
                response.status = 404;
                response.set_content("no such tile\n", "text/plain");
                return;
            }
            const platform::Data png
                = vantry::tileart::tilePng(zoom, static_cast<int>(x), static_cast<int>(y));
            response.set_header("Cache-Control", "public, max-age=86400");
            response.set_content(std::string(png.view()), "image/png");
        });
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty())
            response.set_content("no such tile\n", "text/plain");
    });

    const int bound
        = port == 0 ? server.bind_to_any_port(host) : (server.bind_to_port(host, port) ? port : -1);
    if (bound <= 0) {
        std::fprintf(stderr, "vantry-tileserver: cannot listen on %s port %d\n", host.c_str(), port);
        return 1;
    }
    std::thread listener([&server] { server.listen_after_bind(); });
    const std::string shownHost = host.find(':') == std::string::npos ? host : "[" + host + "]";
    std::printf("listening on http://%s:%d\n", shownHost.c_str(), bound);
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    listener.join();
    return 0;
}
