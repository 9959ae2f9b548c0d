// The server over its sockets, on loopback ports the system chooses.
#include "VantryServer.h"
#include "CertificateAuthority.h"
#include "LogCapture.h"
#include "PlayAnswer.h" // the client's reading
#include "PlayRequest.h" // the client's request body
#include "RawConnection.h"
#include "ScratchFolder.h"
#include "SqliteFiles.h"

#include <gtest/gtest.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sqlite3.h>

#include <filesystem>
#include <future>
#include <httplib.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using server::VantryServer;
using server::VantryServerSettings;
using vantry::test::RawConnection;

namespace {

constexpr const char* kForm = "application/x-www-form-urlencoded";
const std::string kFirstPoint = "[[51.5074,-0.1278]]";

VantryServerSettings settingsIn(const vantry::test::ScratchFolder& folder)
{
    VantryServerSettings settings;
    settings.playPort = 0;
    settings.imagePort = 0;
    settings.dataFolder = folder.file("data");
    settings.seed = 42;
    return settings;
}

std::string body(const std::string& key, const std::string& points)
{
    return "data=[\"" + key + "\"," + points + "]";
}

// The outcome of a TLS handshake with the play port by a client that offers at most `maxVersion`,
// and under TLS 1.2 only `ciphers`, and ALPN "h2" and "http/1.1": the protocol agreed ("" for none),
// or none when the handshake failed. The certificate is not checked here.
std::optional<std::string> handshake(int port, int maxVersion, const char* ciphers)
{
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    SSL_CTX_set_max_proto_version(context, maxVersion);
    SSL_CTX_set_cipher_list(context, ciphers);
    static constexpr unsigned char kProtocols[] = { 2, 'h', '2', 8, 'h', 't', 't', 'p', '/', '1', '.', '1' };
    SSL_CTX_set_alpn_protos(context, kProtocols, sizeof kProtocols);
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::optional<std::string> agreed;
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        SSL* tls = SSL_new(context);
        SSL_set_fd(tls, socket);
        if (SSL_connect(tls) == 1) {
            const unsigned char* protocol = nullptr;
            unsigned int length = 0;
            SSL_get0_alpn_selected(tls, &protocol, &length);
            agreed = std::string(reinterpret_cast<const char*>(protocol), length);
        }
        SSL_free(tls);
    }
    ::close(socket);
    SSL_CTX_free(context);
    ERR_clear_error();
    return agreed;
}

class VantryServerTest : public ::testing::Test {
protected:
    void SetUp() override { startServer(settingsIn(folder_)); }

    void startServer(const VantryServerSettings& settings)
    {
        server_ = VantryServer::create(settings);
        ASSERT_TRUE(server_);
        server_->start();
    }

    std::unique_ptr<httplib::SSLClient> playClient() const
    {
        auto client = std::make_unique<httplib::SSLClient>("127.0.0.1", server_->playPort());
        client->set_ca_cert_path(server_->authorityFile().c_str());
        client->enable_server_certificate_verification(true);
        client->set_keep_alive(true);
        return client;
    }

    httplib::Result play(const std::string& requestBody) const
    {
        return playClient()->Post("/api/play", requestBody, kForm);
    }

    // The stored game of `key` as the server answers it, without changing it.
    std::string gameOf(const std::string& key) const
    {
        const httplib::Result result = play(body(key, "[]"));
        return result && result->status == 200 ? result->body : "no answer";
    }

    vantry::test::ScratchFolder folder_;
    std::unique_ptr<VantryServer> server_;
};

TEST_F(VantryServerTest, APlayRequestFromTheClientIsAnsweredWithTheGame)
{
    const std::vector<base::GeoPoint> points = { { 51.5074, -0.1278 } };
    const httplib::Result result = play(protocol::writePlayRequest("player-7", points));
    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->get_header_value("Content-Type"), "application/json");
    const protocol::PlayAnswer answer = protocol::readPlayAnswer(result->body);
    ASSERT_TRUE(answer.objects);
    ASSERT_EQ(answer.objects->size(), 6U);
    EXPECT_EQ(answer.objects->front(), (protocol::GameObject { "hero", { 51.5074F, -0.1278F }, "ms" }));
    EXPECT_EQ(answer.total, 5);
    EXPECT_EQ(answer.score, 0);
    EXPECT_EQ(answer.level, 0);

    // The same request again is the same game: nothing was placed twice.
    EXPECT_EQ(play(protocol::writePlayRequest("player-7", points))->body, result->body);
    EXPECT_EQ(gameOf("nobody"), "{\"O\":[],\"S\":0,\"T\":0,\"L\":0,\"P\":0,\"t\":0}");
}

TEST_F(VantryServerTest, BadRequestsAre400WithAReasonAndChangeNothing)
{
    ASSERT_EQ(play(body("k", kFirstPoint))->status, 200);
    const std::string before = gameOf("k");
    const std::string manyPoints = [] {
        std::string points = "[";
        for (int i = 0; i <= 10000; ++i)
            points += (i ? ",[1,2]" : "[1,2]");
        return points + "]";
    }();
    struct Case {
        std::string body;
        std::string reason;
    };
    const Case cases[] = {
        { "data=%5B%22k%22%2C%5B%5B1%2C2%5D%5D%5D",
            "the body is not data=[\"KEY\",[[LATITUDE,LONGITUDE],...]]\n" },
        { body("", "[[1,2]]"), "the player key is empty\n" },
        { body(std::string(257, 'k'), "[[1,2]]"), "the player key is longer than 256 bytes\n" },
        { body("k", "[[1,2],[95,0]]"),
            "a coordinate is not a finite number of degrees within latitude -90 to 90, longitude -180 to "
            "180\n" },
        { body("k", "[[1,2],[null,null]]"),
            "a coordinate is not a finite number of degrees within latitude -90 to 90, longitude -180 to "
            "180\n" },
        { body("k", manyPoints), "more than 10000 points\n" },
        { body("k", "[" + std::string(1024 * 1024, ' ') + "]"), "the body is larger than 1 MiB\n" },
    };
    for (const Case& c : cases) {
        const httplib::Result result = play(c.body);
        ASSERT_TRUE(result) << c.reason;
        EXPECT_EQ(result->status, 400) << c.reason;
        EXPECT_EQ(result->body, c.reason);
        EXPECT_EQ(gameOf("k"), before) << c.reason;
    }
    // None of them made a game for the key of an empty one.
    EXPECT_EQ(gameOf(std::string(257, 'k')), "no answer");
}

TEST_F(VantryServerTest, AChunkedBodyOverTheLimitIsRefusedAndItsConnectionClosed)
{
    const std::unique_ptr<httplib::SSLClient> client = playClient();
    std::size_t sent = 0;
    const httplib::Result result = client->Post(
        "/api/play",
        [&sent](std::size_t, httplib::DataSink& sink) {
            const std::string piece(64 * 1024, ' ');
            if (sent == 0)
                sink.write("data=[\"k\",[", 11);
            sink.write(piece.data(), piece.size());
            sent += piece.size();
            if (sent > 2 * 1024 * 1024)
                sink.done();
            return true;
        },
        kForm);
    // The server answers and closes mid-body; the client may see the answer or only the close.
    if (result) {
        EXPECT_EQ(result->status, 400);
        EXPECT_EQ(result->body, "the body is larger than 1 MiB\n");
    }
    EXPECT_EQ(gameOf("k"), "{\"O\":[],\"S\":0,\"T\":0,\"L\":0,\"P\":0,\"t\":0}");
}

TEST_F(VantryServerTest, PicturesOfEveryImageNameTheRulesUseArePlainHttpOnBothPorts)
{
    for (const int port : { server_->imagePort(), server_->playPort() }) {
        httplib::Client client("127.0.0.1", port);
        for (const char* name : { "ms", "ma", "coin", "princess" }) {
            const httplib::Result result = client.Get("/img/" + std::string(name) + ".png");
            ASSERT_TRUE(result) << name;
            EXPECT_EQ(result->status, 200) << name;
            EXPECT_EQ(result->get_header_value("Content-Type"), "image/png");
            EXPECT_TRUE(result->body.starts_with("\x89PNG\r\n\x1a\n")) << name;
        }
    }
}

TEST_F(VantryServerTest, EverythingElseIs404)
{
    httplib::Client pictures("127.0.0.1", server_->imagePort());
    for (const std::string path :
        { "/img/dragon.png", "/img/coin.jpg", "/img/../img/coin", "/", "/api/play" }) {
        const httplib::Result result = pictures.Get(path);
        ASSERT_TRUE(result) << path;
        EXPECT_EQ(result->status, 404) << path;
    }
    EXPECT_EQ(pictures.Post("/api/play", body("k", kFirstPoint), kForm)->status, 404);
    httplib::Client plainPlay("127.0.0.1", server_->playPort());
    EXPECT_EQ(plainPlay.Post("/api/play", body("k", kFirstPoint), kForm)->status, 404);

    const std::unique_ptr<httplib::SSLClient> secure = playClient();
    EXPECT_EQ(secure->Get("/api/play")->status, 404);
    EXPECT_EQ(secure->Post("/api/other", body("k", kFirstPoint), kForm)->status, 404);
    EXPECT_EQ(secure->Get("/img/coin.png")->status, 404);
    EXPECT_EQ(gameOf("k"), "{\"O\":[],\"S\":0,\"T\":0,\"L\":0,\"P\":0,\"t\":0}");
}

TEST_F(VantryServerTest, ARestartLosesNothingThatWasAnswered)
{
    const std::string walked = "[[51.5074,-0.1278],[51.5075,-0.1279],[51.5076,-0.1280]]";
    const std::string answer = play(body("k", walked))->body;
    const std::string authority = server_->authorityFile();
    EXPECT_TRUE(server_->madeAuthority());
    server_.reset();

    startServer(settingsIn(folder_));
    EXPECT_FALSE(server_->madeAuthority());
    EXPECT_EQ(server_->authorityFile(), authority);
    EXPECT_EQ(gameOf("k"), answer);
}

TEST_F(VantryServerTest, AGivenCertificateIsUsedInsteadOfTheServersOwn)
{
    const std::unique_ptr<server::CertificateAuthority> authority
        = server::CertificateAuthority::create("Tests");
    const server::PemCertificate issued = *authority->issueServerCertificate({ "localhost", "127.0.0.1" });
    const std::string authorityFile = folder_.file("test-ca.pem");
    VantryServerSettings settings = settingsIn(folder_);
    settings.dataFolder = folder_.file("other");
    settings.certificate = folder_.file("cert.pem");
    settings.privateKey = folder_.file("key.pem");
    ASSERT_TRUE(server::writeOwnerOnlyFile(authorityFile, authority->certificatePem()));
    ASSERT_TRUE(server::writeOwnerOnlyFile(settings.certificate, issued.certificate));
    ASSERT_TRUE(server::writeOwnerOnlyFile(settings.privateKey, issued.privateKey));
    server_.reset();
    startServer(settings);
    EXPECT_TRUE(server_->authorityFile().empty());
    EXPECT_FALSE(std::filesystem::exists(settings.dataFolder + "/ca.pem"));

    httplib::SSLClient client("localhost", server_->playPort());
    client.set_ca_cert_path(authorityFile.c_str());
    client.enable_server_certificate_verification(true);
    const httplib::Result result = client.Post("/api/play", body("k", kFirstPoint), kForm);
    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, 200);
}

TEST_F(VantryServerTest, TlsIsAtLeast12WithForwardSecrecyAndAnAeadCipherAndSpeaksHttp11)
{
    const struct {
        int maxVersion;
        const char* ciphers;
        std::optional<std::string> agreed;
    } cases[] = {
        { TLS1_3_VERSION, "DEFAULT", "http/1.1" },
        { TLS1_2_VERSION, "ECDHE-ECDSA-AES128-GCM-SHA256", "http/1.1" },
        { TLS1_2_VERSION, "ECDHE-ECDSA-CHACHA20-POLY1305", "http/1.1" },
        { TLS1_2_VERSION, "ECDHE-ECDSA-AES128-SHA256:ECDHE-ECDSA-AES256-SHA", std::nullopt },
        { TLS1_1_VERSION, "DEFAULT:@SECLEVEL=0", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(handshake(server_->playPort(), c.maxVersion, c.ciphers), c.agreed) << c.ciphers;
}

TEST_F(VantryServerTest, ClientsThatDoNotTrustTheAuthorityCannotPlay)
{
    const std::string strangerFile = folder_.file("stranger.pem");
    ASSERT_TRUE(server::writeOwnerOnlyFile(
        strangerFile, server::CertificateAuthority::create("x")->certificatePem()));
    httplib::SSLClient client("127.0.0.1", server_->playPort());
    client.set_ca_cert_path(strangerFile.c_str());
    client.enable_server_certificate_verification(true);
    const httplib::Result result = client.Post("/api/play", body("k", kFirstPoint), kForm);
    EXPECT_FALSE(result);
    EXPECT_EQ(gameOf("k"), "{\"O\":[],\"S\":0,\"T\":0,\"L\":0,\"P\":0,\"t\":0}");
}

TEST_F(VantryServerTest, PlayersPlayingAtOnceEachKeepTheirOwnGame)
{
    std::vector<std::thread> players;
    std::vector<std::string> lastAnswers(8);
    for (std::size_t i = 0; i < lastAnswers.size(); ++i) {
        players.emplace_back([this, i, &lastAnswers] {
            const std::unique_ptr<httplib::SSLClient> client = playClient();
            for (int step = 0; step < 15; ++step) {
                const std::string point
                    = "[[" + std::to_string(10 + i) + "," + std::to_string(step * 1e-5) + "]]";
                const httplib::Result result
                    = client->Post("/api/play", body("p" + std::to_string(i), point), kForm);
                lastAnswers[i] = result ? result->body : "no answer";
            }
        });
    }
    for (std::thread& player : players)
        player.join();
    for (std::size_t i = 0; i < lastAnswers.size(); ++i) {
        EXPECT_EQ(gameOf("p" + std::to_string(i)), lastAnswers[i]);
        const protocol::PlayAnswer answer = protocol::readPlayAnswer(lastAnswers[i]);
        ASSERT_TRUE(answer.objects);
        EXPECT_EQ(answer.objects->front().where.latitude, static_cast<float>(10 + i));
    }
}

TEST_F(VantryServerTest, ANameIsServedOnEveryAddressItHas)
{
    VantryServerSettings settings = settingsIn(folder_);
    settings.host = "localhost";
    server_.reset();
    startServer(settings);
    addrinfo hints {};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    ASSERT_EQ(::getaddrinfo("localhost", nullptr, &hints, &addresses), 0);
    std::vector<std::string> texts;
    for (const addrinfo* address = addresses; address; address = address->ai_next) {
        char text[INET6_ADDRSTRLEN] = {};
        const void* bytes = address->ai_family == AF_INET6
            ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(address->ai_addr)->sin6_addr)
            : static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(address->ai_addr)->sin_addr);
        texts.push_back(::inet_ntop(address->ai_family, bytes, text, sizeof text));
    }
    ::freeaddrinfo(addresses);
    ASSERT_FALSE(texts.empty());
    for (const std::string& address : texts) {
        httplib::Client client(address, server_->imagePort());
        const httplib::Result result = client.Get("/img/coin.png");
        ASSERT_TRUE(result) << address;
        EXPECT_EQ(result->status, 200) << address;
    }
}

// Regression: each kept-alive connection used to hold a worker for as long as it was open, so the
// clients beyond the number of workers waited without end.
TEST_F(VantryServerTest, KeptAliveConnectionsBeyondTheWorkersAreAllServed)
{
    VantryServerSettings settings = settingsIn(folder_);
    settings.limits.threads = 1;
    server_.reset();
    startServer(settings);
    std::vector<std::unique_ptr<httplib::SSLClient>> clients;
    for (int i = 0; i < 6; ++i)
        clients.push_back(playClient());
    for (int round = 0; round < 3; ++round) {
        for (std::size_t i = 0; i < clients.size(); ++i) {
            const httplib::Result result
                = clients[i]->Post("/api/play", body("k" + std::to_string(i), kFirstPoint), kForm);
            ASSERT_TRUE(result) << i;
            EXPECT_EQ(result->status, 200);
        }
    }
}

// A request waiting for the write lock another program holds must not hold the connections' one thread.
TEST_F(VantryServerTest, APlayerWaitingForALockedDatabaseHoldsNoOneElseUp)
{
    VantryServerSettings settings = settingsIn(folder_);
    settings.limits.threads = 1;
    server_.reset();
    startServer(settings);
    const std::string otherGame = play(body("other", kFirstPoint))->body;
    vantry::test::OutsideConnection outside(settings.dataFolder + "/players.sqlite");
    ASSERT_EQ(outside.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    vantry::test::LogCapture log;

    std::future<httplib::Result> saving
        = std::async(std::launch::async, [this] { return play(body("k", kFirstPoint)); });
    int answered = 0;
    while (saving.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        const auto asked = std::chrono::steady_clock::now();
        EXPECT_EQ(gameOf("other"), otherGame);
        EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(250));
        ++answered;
    }
    EXPECT_EQ(saving.get()->status, 503);
    EXPECT_GT(answered, 1);
    EXPECT_EQ(log.take(),
        std::vector<std::string> { "players database: cannot save a player: database is locked" });
}

TEST_F(VantryServerTest, APortInUseStopsTheStartWithAReason)
{
    VantryServerSettings settings = settingsIn(folder_);
    settings.dataFolder = folder_.file("second");
    settings.imagePort = server_->imagePort();
    vantry::test::LogCapture log;
    EXPECT_FALSE(VantryServer::create(settings));
    EXPECT_EQ(log.take(),
        std::vector<std::string> { "cannot listen on 127.0.0.1 port " + std::to_string(settings.imagePort)
            + ": Address already in use" });
}

class SlowClientTest : public VantryServerTest {
protected:
    void SetUp() override
    {
        VantryServerSettings settings = settingsIn(folder_);
        settings.limits.exchange = std::chrono::milliseconds(300);
        settings.limits.idle = std::chrono::milliseconds(300);
        startServer(settings);
    }

    static constexpr std::chrono::seconds kPatience { 10 };
};

TEST_F(SlowClientTest, AClientThatStopsSendingIsCutOff)
{
    for (const int port : { server_->imagePort(), server_->playPort() }) {
        for (const std::string start :
            { "", "GET /img/coin.png HTTP/1.1\r\nHost: x\r\n", "\x16\x03\x01\x02" }) {
            RawConnection connection(port);
            ASSERT_TRUE(connection.connected());
            connection.send(start);
            EXPECT_TRUE(connection.closedByServer(kPatience)) << port << " " << start.size();
        }
    }
}

TEST_F(SlowClientTest, AClientThatTricklesItsRequestIsCutOffAtTheDeadline)
{
    RawConnection connection(server_->imagePort());
    ASSERT_TRUE(connection.connected());
    const std::string request = "GET /img/coin.png HTTP/1.1\r\nHost: x\r\n" + std::string(4000, 'X');
    const auto started = std::chrono::steady_clock::now();
    bool closed = false;
    // A byte every 20 ms, each well within any read time-out.
    for (std::size_t i = 0; i < request.size() && !closed; ++i) {
        connection.send(request.substr(i, 1));
        closed = connection.closedByServer(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(closed);
    EXPECT_LT(std::chrono::steady_clock::now() - started, kPatience);
}

TEST_F(SlowClientTest, AKeptAliveConnectionClosesWhenIdle)
{
    RawConnection connection(server_->imagePort());
    ASSERT_TRUE(connection.connected());
    connection.send("GET /img/coin.png HTTP/1.1\r\nHost: x\r\n\r\n");
    std::string received;
    EXPECT_TRUE(connection.closedByServer(kPatience, &received));
    EXPECT_TRUE(received.starts_with("HTTP/1.1 200 OK\r\n"));
}

TEST_F(VantryServerTest, StopEndsOpenConnectionsAtOnce)
{
    VantryServerSettings settings = settingsIn(folder_);
    settings.limits.exchange = std::chrono::minutes(5);
    settings.limits.idle = std::chrono::minutes(5);
    server_.reset();
    startServer(settings);
    RawConnection idle(server_->imagePort());
    idle.send("GET /img/coin.png HTTP/1.1\r\nHost: x\r\n\r\n");
    RawConnection halfway(server_->imagePort());
    halfway.send("GET /img/coin.png HTTP/1.1\r\n");

    const auto started = std::chrono::steady_clock::now();
    server_->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::minutes(1));
    EXPECT_TRUE(idle.closedByServer(std::chrono::seconds(10)));
    EXPECT_TRUE(halfway.closedByServer(std::chrono::seconds(10)));
}

} // namespace
