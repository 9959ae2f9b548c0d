#include "Bundle.h"
#include "GpxTrack.h"
#include "LocationManager.h"
#include "ManualClock.h"
#include "NmeaLog.h"
#include "PositionSource.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using platform::Location;
using platform::PositionSource;
using vantry::test::ManualClock;

namespace {

struct RecordingHandler final : PositionSource::Handler {
    void positionSourceDidUpdate(const Location& location) override { fixes.push_back(location); }
    void positionSourceDidFail(const std::string& error) override { failures.push_back(error); }

    std::vector<Location> fixes;
    std::vector<std::string> failures;
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

TEST_F(ReplayPositionSourceTest, SpecsNameTheirSources)
{
    const struct {
        std::string spec;
        std::string description;
    } cases[] = {
        { "gpx:walk.gpx", "GPX track walk.gpx" },
        { "gpx:/tmp/a:b.gpx", "GPX track /tmp/a:b.gpx" },
        { "nmea:/logs/walk.nmea", "NMEA log /logs/walk.nmea" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(source(c.spec, 2.5)->description(), c.description);
}

TEST_F(ReplayPositionSourceTest, RefusesUnknownSpecsAndSpeeds)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::string spec;
        double speed;
        std::string error;
    } cases[] = {
        { "", 1, "unknown position source \"\" (use default, nmea:FILE or gpx:FILE)" },
        { "gps", 1, "unknown position source \"gps\" (use default, nmea:FILE or gpx:FILE)" },
        { "GPX:walk.gpx", 1,
            "unknown position source \"GPX:walk.gpx\" (use default, nmea:FILE or gpx:FILE)" },
        { "default:x", 1, "unknown position source \"default:x\" (use default, nmea:FILE or gpx:FILE)" },
        { "gpx:", 1, "the position source \"gpx:\" names no file (gpx:FILE)" },
        { "nmea:", 1, "the position source \"nmea:\" names no file (nmea:FILE)" },
        { "gpx:walk.gpx", 0, "the replay speed must be a positive number, not 0" },
        { "gpx:walk.gpx", -2, "the replay speed must be a positive number, not -2" },
        { "default", nan, "the replay speed must be a positive number, not nan" },
        { "nmea:walk.nmea", INFINITY, "the replay speed must be a positive number, not inf" },
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(PositionSource::fromSpec(c.spec, c.speed, &error)) << c.spec;
        EXPECT_EQ(error, c.error);
    }
}

TEST_F(ReplayPositionSourceTest, GpxTrackKeepsItsPaceDividedBySpeed)
{
    std::unique_ptr<PositionSource> track = source("gpx:" + write("walk.gpx", kTrack), 2);
    track->start();
    EXPECT_TRUE(handler.fixes.empty()) << "never inside start()";
    clock.advance(3.501);
    ASSERT_EQ(handler.fixes.size(), 4u);
    const double expected[][3]
        = { { 1, 1000, 5 }, { 1.0001, 1002, 15 }, { 1.0002, 1003, 5 }, { 1.0003, 1003.5, 5 } };
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(handler.fixes[i].coordinate.latitude, expected[i][0]);
        EXPECT_EQ(handler.fixes[i].coordinate.longitude, 2);
        EXPECT_NEAR(handler.fixes[i].timestamp, expected[i][1], 1e-3) << "fix " << i;
        EXPECT_EQ(handler.fixes[i].horizontalAccuracy, expected[i][2]);
    }
    clock.advance(100);
    EXPECT_EQ(handler.fixes.size(), 4u);
    EXPECT_TRUE(track->isAvailable());
    EXPECT_TRUE(handler.failures.empty());
}

TEST_F(ReplayPositionSourceTest, StopPausesAndStartGoesOnWithTheNextFix)
{
    std::unique_ptr<PositionSource> track = source("gpx:" + write("walk.gpx", kTrack));
    track->start();
    clock.advance(1);
    ASSERT_EQ(handler.fixes.size(), 1u);
    track->stop();
    clock.advance(60);
    EXPECT_EQ(handler.fixes.size(), 1u);
    track->start();
    track->start();
    clock.advance(3.999);
    EXPECT_EQ(handler.fixes.size(), 1u);
    clock.advance(0.001);
    ASSERT_EQ(handler.fixes.size(), 2u);
    EXPECT_EQ(handler.fixes[1].coordinate.latitude, 1.0001);
}

TEST_F(ReplayPositionSourceTest, NmeaLogReplaysWithAccuracyFromHdop)
{
    const std::string path = platform::Bundle::pathForResource("walk", "nmea");
    std::unique_ptr<PositionSource> log = source("nmea:" + path, 4);
    log->start();
    clock.advance(19 / 4.0 + 0.001);
    ASSERT_EQ(handler.fixes.size(), 20u);
    EXPECT_EQ(handler.fixes[0].horizontalAccuracy, 80); // HDOP 8.0 while the receiver settles
    EXPECT_NEAR(handler.fixes[3].horizontalAccuracy, 13, 1e-9); // HDOP 1.3
    for (std::size_t i = 1; i < handler.fixes.size(); ++i)
        EXPECT_NEAR(handler.fixes[i].timestamp - handler.fixes[i - 1].timestamp, 0.25, 1e-6);
    EXPECT_NEAR(handler.fixes[0].coordinate.latitude, -33.86455, 1e-5);
    EXPECT_EQ(log->description(), "NMEA log " + path);
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

TEST_F(ReplayPositionSourceTest, SampleTracksServeTheirPurpose)
{
    // A 3 m distance filter must let every point through, and a tenfold
    // replay must end within 20 s.
    const struct {
        std::string name, type;
        double firstAccuracy;
        std::size_t poorPoints;
    } cases[] = { { "walk", "gpx", 8, 0 }, { "walk-poor-start", "gpx", 200, 6 }, { "walk", "nmea", 80, 3 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + "." + c.type);
        QFile file(QString::fromStdString(platform::Bundle::pathForResource(c.name, c.type)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        std::string error;
        const auto fixes = c.type == "gpx"
            ? platform::GpxTrack::parse(bytes.toStdString(), &error)->replayFixes()
            : *platform::readNmeaLog(bytes.toStdString(), &error);
        ASSERT_GE(fixes.size(), 20u);
        ASSERT_LE(fixes.size(), 40u);
        EXPECT_LE(fixes.front().horizontalAccuracy, c.firstAccuracy);
        double duration = 0;
        for (std::size_t i = 0; i < fixes.size(); ++i) {
            EXPECT_EQ(fixes[i].horizontalAccuracy > 50, i < c.poorPoints) << "fix " << i;
            if (i == 0)
                continue;
            duration += fixes[i].delay;
            EXPECT_GE(fixes[i].delay, 1);
            EXPECT_LE(fixes[i].delay, 5);
            if (c.type == "gpx") {
                EXPECT_GE(platform::distanceBetween(fixes[i - 1].coordinate, fixes[i].coordinate), 3)
                    << "fix " << i;
            }
        }
        EXPECT_LT(duration / 10, 20);
    }
}

TEST_F(ReplayPositionSourceTest, ManagerMayBeDestroyedByItsDelegateDuringAReplay)
{
    struct Destroyer final : platform::LocationManagerDelegate {
        void locationManagerDidUpdateToLocationFromLocation(
            platform::LocationManager&, const Location&, const std::optional<Location>&) override
        {
            ++updates;
            manager.reset();
        }
        void locationManagerDidFailWithError(platform::LocationManager&, const std::string&) override { }
        std::unique_ptr<platform::LocationManager> manager;
        int updates = 0;
    } delegate;
    std::string error;
    delegate.manager = std::make_unique<platform::LocationManager>(
        PositionSource::fromSpec("gpx:" + write("walk.gpx", kTrack), 1, &error));
    delegate.manager->setDelegate(&delegate);
    delegate.manager->startUpdatingLocation();
    clock.advance(10);
    EXPECT_EQ(delegate.updates, 1);
    EXPECT_FALSE(delegate.manager);
    EXPECT_EQ(clock.pendingTimerCount(), 0u);
}
