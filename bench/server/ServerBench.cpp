// The game server under many players: 1000 player keys posting play requests over keep-alive TLS
// connections on loopback, the server and the players in this one program on the same cores. Each
// request carries one to three new points of its player's walk (a few metres apart, around a city
// of its own), so players collect coins and rise through the levels as real ones would. Every run
// is bounded by a count of requests and a time. Two kinds of run: flat out (each connection sends
// its next request as soon as it has the answer: the most the server does per second), and paced
// (the requests are due at a fixed overall rate, spread evenly over the connections, and each
// request's time counts from when it was due, so a slow answer also delays the ones queued behind
// it). Reported: requests per second over the run, the 50th and 99th percentile of the time to an
// answer, the longest stall of the machine seen meanwhile by a thread that only sleeps, and the
// processor time the program (server and clients) spent per request.
#include "VantryServer.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <latch>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

constexpr int kPlayers = 1000;
constexpr int kRequests = 30000;
constexpr std::chrono::seconds kMostTime { 30 };
using Clock = std::chrono::steady_clock;

class Scratch {
public:
    Scratch()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bench-server-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a scratch folder");
        root_ = pattern;
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    std::string path() const { return root_.string(); }

private:
    std::filesystem::path root_;
};

// One player's walk: a start of its own near one of a few cities, then steps of about 5 m that turn
// slowly, so the player passes coins now and then.
struct Walker {
    double latitude;
    double longitude;
    double heading;
    int step = 0;

    std::string nextPoints(int count)
    {
        std::string points = "[";
        for (int i = 0; i < count; ++i) {
            heading += 0.3;
            latitude += 4.5e-5 * std::cos(heading);
            longitude += 7e-5 * std::sin(heading);
            points += (i ? ",[" : "[") + std::to_string(latitude) + "," + std::to_string(longitude) + "]";
        }
        return points + "]";
    }
};

double processCpuSeconds()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds
        = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double percentile(std::vector<double>& values, double fraction)
{
    if (values.empty())
        return 0;
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(index), values.end());
    return values[index];
}

void BM_PlayRequestsOverKeepAliveTls(benchmark::State& state)
{
    const int connections = static_cast<int>(state.range(0));
    const double rate = static_cast<double>(state.range(1)); // requests per second; 0: flat out
    Scratch scratch;
    server::VantryServerSettings settings;
    settings.playPort = 0;
    settings.imagePort = 0;
    settings.dataFolder = scratch.path() + "/data";
    settings.seed = 1;
    const std::unique_ptr<server::VantryServer> server = server::VantryServer::create(settings);
    if (!server) {
        state.SkipWithError("the server did not start");
        return;
    }
    server->start();

    std::vector<Walker> walkers;
    const double cities[][2] = { { 51.5074, -0.1278 }, { -33.8688, 151.2093 }, { 40.7128, -74.006 } };
    for (int i = 0; i < kPlayers; ++i) {
        const double* city = cities[i % 3];
        walkers.push_back({ city[0] + (i / 3) * 1e-3, city[1] + (i % 17) * 1e-3, i * 0.7 });
    }

    for (auto _ : state) {
        std::atomic<int> requestsLeft = kRequests;
        std::atomic<int> failures = 0;
        std::vector<std::vector<double>> latencies(connections);
        // Every connection is opened (its TLS handshake done) before the clock starts.
        std::latch connected(connections + 1);
        Clock::time_point start;
        Clock::time_point end;
        std::vector<std::thread> clients;
        for (int c = 0; c < connections; ++c) {
            clients.emplace_back([&, c] {
                httplib::SSLClient client("127.0.0.1", server->playPort());
                client.set_ca_cert_path(server->authorityFile().c_str());
                client.enable_server_certificate_verification(true);
                client.set_keep_alive(true);
                // httplib writes the head and the body apart; without this, Nagle waits for a delayed ACK.
                client.set_tcp_nodelay(true);
                // A request without points changes no game.
                if (!client.Post("/api/play", "data=[\"warm-up\",[]]", "application/x-www-form-urlencoded"))
                    ++failures;
                connected.arrive_and_wait();
                // Each connection plays its own share of the players, in turn.
                int player = c;
                for (long turn = 0; requestsLeft.fetch_sub(1) > 0 && Clock::now() < end; ++turn) {
                    Walker& walker = walkers[player];
                    const std::string body = "data=[\"player-" + std::to_string(player) + "\","
                        + walker.nextPoints(1 + walker.step++ % 3) + "]";
                    player = (player + connections) % kPlayers;
                    Clock::time_point sent = Clock::now();
                    if (rate > 0) {
                        sent = start
                            + std::chrono::duration_cast<Clock::duration>(
                                std::chrono::duration<double>((turn * connections + c) / rate));
                        std::this_thread::sleep_until(sent);
                    }
                    const httplib::Result result
                        = client.Post("/api/play", body, "application/x-www-form-urlencoded");
                    latencies[c].push_back(
                        std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
                    if (!result || result->status != 200)
                        ++failures;
                }
            });
        }
        start = Clock::now();
        end = start + kMostTime;
        const double cpuAtStart = processCpuSeconds();
        connected.arrive_and_wait();
        // How late a thread that only sleeps 1 ms at a time wakes: the machine's own stalls (other
        // programs on the same cores), which delay every request due in them.
        std::atomic<bool> finished = false;
        double longestStall = 0;
        std::thread monitor([&] {
            while (!finished) {
                const Clock::time_point before = Clock::now();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                const double late
                    = std::chrono::duration<double, std::milli>(Clock::now() - before).count() - 1;
                longestStall = std::max(longestStall, late);
            }
        });
        for (std::thread& client : clients)
            client.join();
        finished = true;
        monitor.join();
        const double cpuSeconds = processCpuSeconds() - cpuAtStart;
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);

        std::vector<double> all;
        for (const std::vector<double>& each : latencies)
            all.insert(all.end(), each.begin(), each.end());
        state.counters["requests"] = static_cast<double>(all.size());
        state.counters["requests_per_s"] = static_cast<double>(all.size()) / seconds;
        state.counters["p50_ms"] = percentile(all, 0.50);
        state.counters["p99_ms"] = percentile(all, 0.99);
        state.counters["failures"] = failures.load();
        state.counters["stall_ms"] = longestStall;
        // Server and clients together: what the machine must give this program per request.
        state.counters["cpu_us_per_request"] = 1e6 * cpuSeconds / static_cast<double>(all.size());
    }
    server->stop();
}

BENCHMARK(BM_PlayRequestsOverKeepAliveTls)
    ->ArgNames({ "connections", "rate" })
    ->Args({ 8, 0 })
    ->Args({ 32, 0 })
    ->Args({ 32, 2000 })
    ->Args({ 100, 2000 })
    ->Args({ 100, 4000 })
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
