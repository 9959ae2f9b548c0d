// `vantry-map snapshot` run as a person runs it, against loopback servers
// that misbehave, with its data and cache folders in a scratch folder; and
// `make run`'s script, which must keep its generated tiles in the build tree.
#include "RawHttpServer.h"
#include "TileServer.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using testing::HasSubstr;
using testing::Not;
using vantry::test::RawHttpServer;
using vantry::test::TileServer;

namespace {

constexpr int kPatience = 60'000; // milliseconds of real time for one run

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class SnapshotRunTest : public testing::Test {
protected:
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", home_.filePath("data"));
        environment.insert("XDG_CACHE_HOME", home_.filePath("cache"));
        environment.insert("HOME", home_.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        for (const char* name : { "VANTRY_TILE_HOST", "DISPLAY", "WAYLAND_DISPLAY" })
            environment.remove(name);
        return environment;
    }

    static Outcome run(QProcess& process)
    {
        Outcome run;
        if (process.waitForFinished(kPatience) && process.exitStatus() == QProcess::NormalExit)
            run.status = process.exitCode();
        else
            process.kill();
        run.out = process.readAllStandardOutput().toStdString();
        run.err = process.readAllStandardError().toStdString();
        return run;
    }

    // A 640 × 480 snapshot of Paris at zoom 15 from `host`: 16 tiles.
    Outcome snapshot(const std::string& host)
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(VANTRY_MAP_PROGRAM,
            { "snapshot", "--center", "48.8584,2.2945", "--zoom", "15", "--size", "640x480", "--out",
                home_.filePath("map.png"), "--tile-host", QString::fromStdString(host), "--timeout", "10" });
        return run(process);
    }

    static std::string answer(const std::string& status, const std::string& type, const std::string& body)
    {
        return "HTTP/1.1 " + status + "\r\nContent-Type: " + type
            + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }

    QTemporaryDir home_;
};

// The snapshot built the map at Sydney first and asked for its tiles too.
TEST_F(SnapshotRunTest, AsksOnlyForTheTilesOfThePlaceShown)
{
    const TileServer server;
    const Outcome done = snapshot("127.0.0.1:" + std::to_string(server.port()));
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_THAT(done.out, HasSubstr("640x480 pixels, 16 tiles"));
    const std::vector<std::string> paths = server.requestedPaths();
    EXPECT_EQ(paths.size(), 16u);
    for (const std::string& path : paths)
        EXPECT_TRUE(path.starts_with("/15/")) << path;
}

// Every tile failed with an answer that is no tile: the snapshot said it
// could not reach the server, or (for pictures that are none) that all
// tiles had loaded.
TEST_F(SnapshotRunTest, ServerThatAnswersWithoutTilesIsSaidToHaveAnswered)
{
    const struct {
        std::string answer;
        std::string failure;
    } cases[] = {
        { answer("404 Not Found", "text/html", "<h1>Not Found</h1>"),
            "The server answered with HTTP status 404." },
        { answer("200 OK", "text/html", "<html>captive portal</html>"),
            "The answer is not a picture (27 bytes of text/html)." },
    };
    for (const auto& [raw, failure] : cases) {
        SCOPED_TRACE(failure);
        const RawHttpServer server(raw);
        const Outcome done = snapshot(server.host());
        EXPECT_EQ(done.status, 3);
        EXPECT_THAT(done.err, HasSubstr("tiles: 0 of 16 loaded, 16 failed"));
        EXPECT_THAT(done.err,
            HasSubstr(
                "vantry-map: the tile server " + server.host() + " answered, but sent no tile: " + failure));
    }
}

// A server that accepts and closes every connection once left a snapshot
// waiting with no tile failed, where other runs failed at once.
TEST_F(SnapshotRunTest, ServerThatClosesEveryConnectionFailsEveryTileEveryTime)
{
    const RawHttpServer server;
    for (int attempt = 0; attempt < 3; ++attempt) {
        SCOPED_TRACE(attempt);
        const Outcome done = snapshot(server.host());
        EXPECT_EQ(done.status, 3);
        EXPECT_THAT(done.err, HasSubstr("tiles: 0 of 16 loaded, 16 failed"));
        EXPECT_THAT(done.err, HasSubstr("vantry-map: cannot reach the tile server " + server.host() + ": "));
        EXPECT_THAT(done.err, Not(HasSubstr("QNetworkReply"))) << "no warning from Qt";
    }
}

// `make run-map` named its folders relative to the build tree, which the
// program ignores: the loopback server's tiles went into the user's own
// tile database.
TEST_F(SnapshotRunTest, MakeRunKeepsItsTilesInTheBuildTree)
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setWorkingDirectory(VANTRY_SOURCE_DIR);
    const std::string build = std::filesystem::relative(VANTRY_BUILD_DIR, VANTRY_SOURCE_DIR).string();
    process.start("scripts/run-map.sh", { QString::fromStdString(build) });
    const Outcome done = run(process);
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_FALSE(std::filesystem::exists(home_.filePath(".local/share/vantry").toStdString()));
    bool stored = false;
    for (const auto& entry :
        std::filesystem::directory_iterator(std::string(VANTRY_BUILD_DIR) + "/run/data/vantry"))
        stored = stored || entry.path().filename().string().starts_with("MapOpenStreetMap-127.0.0.1-");
    EXPECT_TRUE(stored);
}

} // namespace
