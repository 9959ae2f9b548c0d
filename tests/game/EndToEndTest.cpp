// The whole game on loopback: the real vantry-server with a fixed seed, the
// game screen in this process on the manual clock, and the walker playing
// at 20 times walking speed. The server is killed and started again on the
// way; nothing it answered may be lost.
#include "GameFixture.h"

#include "PlayAnswer.h"
#include "RunLoop.h"
#include "TrustedCertificates.h"
#include "Walker.h"

#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <optional>

namespace vantry::test {
namespace {

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// vantry-server in a process of its own, on fixed ports.
class ServerProcess {
public:
    ServerProcess(std::string data, int playPort, int imagePort)
        : data_(std::move(data))
        , playPort_(playPort)
        , imagePort_(imagePort)
    { }
    ~ServerProcess() { kill(); }

    // Starts it and waits until both ports listen.
    bool start()
    {
        // The game's clock runs far ahead of the server's, so its walker moves faster than fair play
        // allows.
        process_.start(VANTRY_SERVER_PROGRAM,
            { "--host", "127.0.0.1", "--data", QString::fromStdString(data_), "--seed", "7", "--fastest",
                "1000000", "--play-port", QString::number(playPort_), "--image-port",
                QString::number(imagePort_) });
        QByteArray out;
        return platform::RunLoop::runUntil(
                   [&] {
                       out += process_.readAllStandardOutput();
                       return out.count("listening on") == 2 || process_.state() == QProcess::NotRunning;
                   },
                   20)
            && process_.state() == QProcess::Running;
    }

    void kill()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }

private:
    std::string data_;
    int playPort_;
    int imagePort_;
    QProcess process_;
};

TEST_F(GameTest, TheWalkerPlaysLevelsZeroAndOneAcrossAServerRestart)
{
    QTemporaryDir data;
    const int playPort = freePort();
    const int imagePort = freePort();
    ServerProcess server(data.path().toStdString(), playPort, imagePort);
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(platform::TrustedCertificates::addAuthoritiesFromFile(
        data.filePath("ca.pem").toStdString(), "127.0.0.1"));
    protocol::GameServer::setPlayPort(playPort);
    protocol::GameServer::setImagePort(imagePort);

    std::vector<protocol::PlayAnswer> answers;
    game::GameSettings& settings = game::GameSettings::shared();
    settings.answerApplied = [&](const protocol::PlayAnswer& answer) { answers.push_back(answer); };
    settings.positionSource = [](game::GameMapViewController& screen) {
        return std::make_unique<game::Walker>(screen, game::Walker::kDefaultStart, 20);
    };
    load();

    const auto playUntil = [&](auto done) {
        for (int tick = 0; tick < 400 && !(answers.size() && done(answers.back())); ++tick) {
            clock.advance(3);
            if (!platform::RunLoop::runUntil([this] { return !controller->playExchange().isInFlight(); }, 20))
                return false;
        }
        return !answers.empty() && done(answers.back());
    };
    const auto coinsCollected = [](const protocol::PlayAnswer& answer) {
        return answer.level == 0 && answer.total > 0 && answer.score == answer.total;
    };
    ASSERT_TRUE(playUntil(coinsCollected)) << "every coin of level 0 collected";
    const protocol::PlayAnswer beforeRestart = answers.back();

    server.kill();
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(playUntil([](const protocol::PlayAnswer& answer) { return answer.level == 1; }));
    EXPECT_GE(answers.back().score, beforeRestart.score) << "the restarted server remembers the game";

    const std::size_t levelOneStart = answers.size() - 1;
    ASSERT_TRUE(playUntil([](const protocol::PlayAnswer& answer) { return answer.level == 2; }))
        << "the princess saved, level 2 begins";
    double warmest = 0;
    bool saved = false;
    for (std::size_t index = levelOneStart; index < answers.size(); ++index) {
        if (answers[index].level == 1) {
            warmest = std::max(warmest, answers[index].temperature);
            saved = saved || answers[index].princessCount == 1;
        }
    }
    EXPECT_GT(warmest, 90) << "the temperature rose as the walker neared her";
    EXPECT_TRUE(saved) << "P = 1 before the next level";
    EXPECT_EQ(answers.back().level, 2);

    EXPECT_TRUE(window.grab().save(VANTRY_TEST_OUTPUT_DIR "/end-to-end.png"));
}

} // namespace
} // namespace vantry::test
