#include "Bundle.h"
#include "ManualClock.h"
#include "PositionSource.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using platform::Location;
using platform::PositionSource;
using vantry::test::ManualClock;

namespace {

struct RecordingHandler final : PositionSource::Handler {
    void positionSourceDidUpdate(const Location& location) override
    {
        fixes.push_back(location);
        if (then)
            then();
    }
    void positionSourceDidFail(const std::string& error) override { failures.push_back(error); }

    std::vector<Location> fixes;
    std::vector<std::string> failures;
    std::function<void()> then; // runs after each fix
};

class ReplayPositionSourceTest : public ::testing::Test {
protected:
    // A file of that content in the scratch folder.
    std::string write(const std::string& name, std::string_view content)
    {
        const QString path = folder.filePath(QString::fromStdString(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content.data(), qint64(content.size()));
        return path.toStdString();
    }

    std::unique_ptr<PositionSource> source(const std::string& spec, double speed = 1)
    {
        std::string error;
        std::unique_ptr<PositionSource> made = PositionSource::fromSpec(spec, speed, &error);
        EXPECT_TRUE(made) << error;
        if (made)
            made->setHandler(&handler);
        return made;
    }

    ManualClock clock { 1000 };
    QTemporaryDir folder;
    RecordingHandler handler;
};

const std::string kTrack
    = "<gpx><trk><trkseg>"
      "<trkpt lat=\"1\" lon=\"2\"><time>2024-05-18T08:30:00Z</time></trkpt>"
      "<trkpt lat=\"1.0001\" lon=\"2\"><time>2024-05-18T08:30:04Z</time><hdop>3</hdop></trkpt>"
      "<trkpt lat=\"1.0002\" lon=\"2\"><time>2024-05-18T08:30:06Z</time></trkpt>"
      "<trkpt lat=\"1.0003\" lon=\"2\"></trkpt>"
      "</trkseg></trk></gpx>";

} // namespace

TEST_F(ReplayPositionSourceTest, SpecsNameTheirSourcesOrSayWhatIsWrong)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::string spec;
        double speed;
        std::string descriptionOrError;
    } cases[] = {
        { "gpx:walk.gpx", 2.5, "GPX track walk.gpx" },
        { "gpx:/tmp/a:b.gpx", 1, "GPX track /tmp/a:b.gpx" },
        { "nmea:/logs/walk.nmea", 0.5, "NMEA log /logs/walk.nmea" },
        { "", 1, "unknown position source \"\" (use default, nmea:FILE or gpx:FILE)" },
        { "GPX:walk.gpx", 1,
            "unknown position source \"GPX:walk.gpx\" (use default, nmea:FILE or gpx:FILE)" },
        { "default:x", 1, "unknown position source \"default:x\" (use default, nmea:FILE or gpx:FILE)" },
        { "nmea:", 1, "the position source \"nmea:\" names no file (nmea:FILE)" },
        { "gpx:walk.gpx", 0, "the replay speed must be a positive number, not 0" },
        { "gpx:walk.gpx", -2, "the replay speed must be a positive number, not -2" },
        { "default", nan, "the replay speed must be a positive number, not nan" },
        { "nmea:walk.nmea", INFINITY, "the replay speed must be a positive number, not inf" },
    };
    for (const auto& c : cases) {
        std::string error;
        const std::unique_ptr<PositionSource> made = PositionSource::fromSpec(c.spec, c.speed, &error);
        EXPECT_EQ(made ? made->description() : error, c.descriptionOrError) << c.spec;
    }
}

TEST_F(ReplayPositionSourceTest, GpxTrackKeepsItsPaceDividedBySpeedAndPausesWhenStopped)
{
    std::unique_ptr<PositionSource> track = source("gpx:" + write("walk.gpx", kTrack), 2);
    track->start();
    EXPECT_TRUE(handler.fixes.empty()) << "never inside start()";
    clock.advance(2.001);
    ASSERT_EQ(handler.fixes.size(), 2u);
    track->stop();
    clock.advance(60);
    EXPECT_EQ(handler.fixes.size(), 2u);
    track->start();
    track->start();
    clock.advance(0.999);
    EXPECT_EQ(handler.fixes.size(), 2u);
    clock.advance(100);
    ASSERT_EQ(handler.fixes.size(), 4u);
    // Latitude, delivery time, accuracy (hdop 3 × 5 m, else 5 m).
    const double expected[][3]
        = { { 1, 1000, 5 }, { 1.0001, 1002, 15 }, { 1.0002, 1063, 5 }, { 1.0003, 1063.5, 5 } };
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(handler.fixes[i].coordinate.latitude, expected[i][0]);
        EXPECT_NEAR(handler.fixes[i].timestamp, expected[i][1], 2e-3) << "fix " << i;
        EXPECT_EQ(handler.fixes[i].horizontalAccuracy, expected[i][2]);
    }
    EXPECT_TRUE(handler.failures.empty());
}

TEST_F(ReplayPositionSourceTest, FileProblemsFailWhenStartedWithThePathAndReason)
{
    const struct {
        std::string spec;
        std::string reason;
    } cases[] = {
        { "gpx:" + folder.filePath("missing.gpx").toStdString(),
            "cannot read the file: No such file or directory" },
        { "nmea:" + folder.path().toStdString(), "cannot read the file: it is a folder" },
        { "gpx:/dev/zero", "the file is larger than 64 MiB" },
        { "gpx:" + write("page.gpx", "<html/>"), "not a GPX file (the root element is <html>)" },
        { "gpx:" + write("empty.gpx", "<gpx/>"), "the track has no points (<trkpt>)" },
        { "gpx:" + write("far.gpx", "<gpx>\n<trkpt lat=\"-91\" lon=\"0\"/></gpx>"),
            "line 2: track point 1 has the lat \"-91\", not a number from -90 to 90" },
        { "nmea:" + write("walk.gpx.nmea", kTrack),
            "the log has no position fixes (GGA or RMC sentences with a fix)" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec);
        handler.failures.clear();
        std::unique_ptr<PositionSource> file = source(c.spec);
        file->start();
        EXPECT_TRUE(handler.failures.empty()) << "never inside start()";
        clock.advance(0.01);
        const std::string expected = file->description() + ": " + c.reason;
        EXPECT_EQ(handler.failures, std::vector<std::string> { expected });
        EXPECT_FALSE(file->isAvailable());
        file->stop();
        file->start();
        clock.advance(0.01);
        EXPECT_EQ(handler.failures.size(), 2u);
        EXPECT_TRUE(handler.fixes.empty());
    }
}

TEST_F(ReplayPositionSourceTest, SampleTracksReplayTenTimesFasterWithinTwentySeconds)
{
    // Points 1 to 5 s apart and, in the tracks, at least 3 m apart, so that
    // a 3 m distance filter lets every one through.
    const struct {
        std::string name, type;
        std::vector<double> firstAccuracies;
        std::size_t poorFixes; // more than 50 m
    } cases[] = {
        { "walk", "gpx", { 8, 5, 5 }, 0 }, { "walk-poor-start", "gpx", { 200, 200 }, 6 },
        { "walk", "nmea", { 80, 80, 80, 13 }, 3 }, // HDOP 8.0, then 1.3
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + "." + c.type);
        handler.fixes.clear();
        const std::string path = platform::Bundle::pathForResource(c.name, c.type);
        std::unique_ptr<PositionSource> track = source(c.type + ":" + path, 10);
        track->start();
        clock.advance(20);
        ASSERT_GE(handler.fixes.size(), 20u);
        ASSERT_LE(handler.fixes.size(), 40u);
        for (std::size_t i = 0; i < handler.fixes.size(); ++i) {
            const Location& fix = handler.fixes[i];
            if (i < c.firstAccuracies.size()) {
                EXPECT_NEAR(fix.horizontalAccuracy, c.firstAccuracies[i], 1e-9) << "fix " << i;
            }
            EXPECT_EQ(fix.horizontalAccuracy > 50, i < c.poorFixes) << "fix " << i;
            if (i == 0)
                continue;
            const Location& previous = handler.fixes[i - 1];
            EXPECT_GE(fix.timestamp - previous.timestamp, 0.1 - 1e-9);
            EXPECT_LE(fix.timestamp - previous.timestamp, 0.5 + 1e-9);
            if (c.type == "gpx") {
                EXPECT_GE(base::distanceMetres(previous.coordinate, fix.coordinate), 3) << "fix " << i;
            }
        }
    }
}

TEST_F(ReplayPositionSourceTest, HandlerMayDestroyTheSourceInACallback)
{
    std::unique_ptr<PositionSource> track = source("gpx:" + write("walk.gpx", kTrack));
    handler.then = [&] { track.reset(); };
    track->start();
    clock.advance(10);
    EXPECT_EQ(handler.fixes.size(), 1u);
    EXPECT_EQ(clock.pendingTimerCount(), 0u);
}
