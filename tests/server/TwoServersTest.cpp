// Several vantry-server programs on one PostgreSQL database, as behind a load balancer.
#include "CertificateAuthority.h"
#include "LoopbackPort.h"
#include "PlayAnswer.h"
#include "PostgresServer.h"
#include "ScratchFolder.h"
#include "ServerProcess.h"
#include "VantryServer.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <fmt/format.h>

#include <cstdlib>
#include <fstream>
#include <future>
#include <sstream>

namespace server {
namespace {

using test::ServerProcess;

constexpr const char* kSeed = "7";
constexpr const char* kFastest = "1000000";

class TwoServersTest : public testing::Test {
protected:
    void SetUp() override
    {
        const auto authority = CertificateAuthority::create("Vantry test authority");
        ASSERT_NE(authority, nullptr);
        const auto certificate = authority->issueServerCertificate({ "127.0.0.1", "localhost" });
        ASSERT_TRUE(certificate);
        std::ofstream(authorityFile) << authority->certificatePem();
        std::ofstream(certificateFile) << certificate->certificate;
        std::ofstream(keyFile) << certificate->privateKey;
    }

    std::unique_ptr<ServerProcess> startServer(const std::string& name)
    {
        auto server = std::make_unique<ServerProcess>(std::vector<std::string> { "--play-port", "0",
            "--image-port", "0", "--data", folder.file(name), "--database", postgres.uri(), "--cert",
            certificateFile, "--key", keyFile, "--seed", kSeed, "--fastest", kFastest });
        EXPECT_TRUE(server->isListening()) << server->errors();
        return server;
    }

    // The answer to a play request, as text; "failed" when there is none.
    std::string play(int port, const std::string& key, std::optional<base::GeoPoint> point) const
    {
        httplib::SSLClient client("127.0.0.1", port);
        client.set_ca_cert_path(authorityFile.c_str());
        client.enable_server_certificate_verification(true);
        const std::string points = point ? fmt::format("[[{},{}]]", point->latitude, point->longitude) : "[]";
        const auto result = client.Post(
            "/api/play", fmt::format(R"(data=["{}",{}])", key, points), "application/x-www-form-urlencoded");
        return result && result->status == 200 ? result->body : "failed";
    }

    // Where the answer's coins are.
    static std::vector<base::GeoPoint> coinsIn(const std::string& answer)
    {
        std::vector<base::GeoPoint> coins;
        for (const protocol::GameObject& object :
            protocol::readPlayAnswer(answer).objects.value_or(std::vector<protocol::GameObject> {})) {
            if (object.imageName == protocol::kCoinPicture)
                coins.push_back(object.where);
        }
        return coins;
    }

    vantry::test::ScratchFolder folder;
    vantry::test::PostgresServer postgres;
    const std::string authorityFile = folder.file("authority.pem");
    const std::string certificateFile = folder.file("server.pem");
    const std::string keyFile = folder.file("server-key.pem");
};

// Every request goes to the other server than the one before, and one server dies mid-game: the game
// must go exactly as it goes on one server alone.
TEST_F(TwoServersTest, APlayerAlternatingBetweenServersOneOfThemKilledLosesAndDoublesNothing)
{
    VantryServerSettings alone;
    alone.playPort = 0;
    alone.imagePort = 0;
    alone.dataFolder = folder.file("alone");
    alone.certificate = certificateFile;
    alone.privateKey = keyFile;
    alone.seed = std::stoull(kSeed);
    alone.fastest = std::stod(kFastest);
    const auto reference = VantryServer::create(alone);
    ASSERT_NE(reference, nullptr);
    reference->start();
    std::unique_ptr<ServerProcess> servers[] = { startServer("one"), startServer("two") };

    base::GeoPoint next { 51.5074, -0.1278 };
    for (int step = 0; step < 12; ++step) {
        if (step == 5) {
            servers[0]->kill();
            servers[0] = startServer("one");
        }
        const std::string answer = play(servers[step % 2]->playPort(), "walker", next);
        ASSERT_EQ(answer, play(reference->playPort(), "walker", next)) << "step " << step;
        const std::vector<base::GeoPoint> coins = coinsIn(answer);
        if (!coins.empty())
            next = coins.front();
    }
    EXPECT_GE(protocol::readPlayAnswer(play(servers[1]->playPort(), "walker", std::nullopt)).score, 5)
        << "the walk collected coins";
}

// No lost update: each server collects another coin for the same player at the same moment.
TEST_F(TwoServersTest, RequestsOfOnePlayerRacingOnTwoServersBothCount)
{
    const auto one = startServer("one");
    const auto two = startServer("two");
    for (int round = 0; round < 5; ++round) {
        const std::string key = "racer " + std::to_string(round);
        const std::string first = play(one->playPort(), key, base::GeoPoint { 51.5074, -0.1278 });
        const std::vector<base::GeoPoint> coins = coinsIn(first);
        ASSERT_GE(coins.size(), 2u);
        auto onOne = std::async(std::launch::async, [&] { return play(one->playPort(), key, coins[0]); });
        auto onTwo = std::async(std::launch::async, [&] { return play(two->playPort(), key, coins[1]); });
        EXPECT_NE(onOne.get(), "failed");
        EXPECT_NE(onTwo.get(), "failed");
        EXPECT_EQ(protocol::readPlayAnswer(play(two->playPort(), key, std::nullopt)).score,
            protocol::readPlayAnswer(first).score + 2)
            << "round " << round;
    }
}

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The example configuration of docs/examples, with this test's ports and files in place of its own.
TEST_F(TwoServersTest, TheExampleNginxConfigurationServesTheGameFromBothServers)
{
    std::vector<std::unique_ptr<ServerProcess>> servers;
    for (const char* name : { "one", "two" }) {
        servers.push_back(std::make_unique<ServerProcess>(
            std::vector<std::string> { "--play-port", "0", "--image-port", "0", "--data", folder.file(name),
                "--database", postgres.uri(), "--cert", certificateFile, "--key", keyFile, "--seed", kSeed,
                "--fastest", kFastest, "--connections-per-address", "10000" }));
        ASSERT_TRUE(servers.back()->isListening()) << servers.back()->errors();
    }
    std::ostringstream example;
    example << std::ifstream(VANTRY_NGINX_EXAMPLE).rdbuf();
    std::string configuration = example.str();
    const int playPort = vantry::test::freeLoopbackPort();
    const int picturePort = vantry::test::freeLoopbackPort();
    replaceAll(configuration, "127.0.0.1:8443", "127.0.0.1:" + std::to_string(servers[0]->playPort()));
    replaceAll(configuration, "127.0.0.1:8444", "127.0.0.1:" + std::to_string(servers[1]->playPort()));
    replaceAll(configuration, "127.0.0.1:8080", "127.0.0.1:" + std::to_string(servers[0]->imagePort()));
    replaceAll(configuration, "127.0.0.1:8081", "127.0.0.1:" + std::to_string(servers[1]->imagePort()));
    replaceAll(configuration, "listen 443 ssl", "listen 127.0.0.1:" + std::to_string(playPort) + " ssl");
    replaceAll(configuration, "listen 80;", "listen 127.0.0.1:" + std::to_string(picturePort) + ";");
    replaceAll(configuration, "proxy_ssl_name play.example.org", "proxy_ssl_name localhost");
    replaceAll(configuration, "/etc/vantry/server.pem", certificateFile);
    replaceAll(configuration, "/etc/vantry/server-key.pem", keyFile);
    replaceAll(configuration, "/etc/vantry/ca.pem", authorityFile);
    std::ofstream(folder.file("nginx.conf")) << configuration;
    const std::string nginx = fmt::format("nginx -p {0} -c {0}/nginx.conf -g 'daemon on; pid {0}/nginx.pid; "
                                          "error_log {0}/nginx-error.log;'",
        folder.path());
    ASSERT_EQ(std::system(nginx.c_str()), 0) << "nginx did not start; see " << folder.file("nginx-error.log");
    const std::string stopNginx = fmt::format("kill $(cat {}/nginx.pid)", folder.path());

    int previousScore = -1;
    for (int step = 0; step < 10; ++step) {
        const std::string answer
            = play(playPort, "through nginx", base::GeoPoint { 51.5074 + step * 1e-4, -0.1278 });
        const int score = protocol::readPlayAnswer(answer).score;
        EXPECT_GE(score, previousScore) << answer;
        previousScore = score;
    }
    httplib::Client pictures("127.0.0.1", picturePort);
    const auto coin = pictures.Get("/img/coin.png");
    EXPECT_TRUE(coin && coin->status == 200);
    std::system(stopNginx.c_str());
    // Either server knows the game played through nginx.
    for (const auto& server : servers)
        EXPECT_EQ(protocol::readPlayAnswer(play(server->playPort(), "through nginx", std::nullopt)).score,
            previousScore);
}

} // namespace
} // namespace server
