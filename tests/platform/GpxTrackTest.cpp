#include "GpxTrack.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::GpxTrack;

namespace {

std::string gpx(std::string_view points)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
           "<trk><name>t</name><trkseg>\n"
        + std::string(points) + "</trkseg></trk>\n</gpx>\n";
}

std::string point(std::string_view children, std::string_view lat = "-33.86", std::string_view lon = "151.21")
{
    return "<trkpt lat=\"" + std::string(lat) + "\" lon=\"" + std::string(lon) + "\">" + std::string(children)
        + "</trkpt>\n";
}

} // namespace

TEST(GpxTrack, RefusesWhatIsNotAReadableTrack)
{
    const std::string laughs
        = "<?xml version=\"1.0\"?><!DOCTYPE gpx [<!ENTITY a \"aaaaaaaaaa\">"
          "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
          "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">]>"
          "<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"><name>&e;&e;&e;&e;&e;</name></trkpt>"
          "</trkseg></trk></gpx>";
    const std::string truncated = gpx(point(""));
    const struct {
        std::string input;
        std::string error; // a prefix where the rest is the XML reader's own wording
        bool prefix = false;
    } cases[] = {
        { "", "not a GPX file (no XML element)" },
        { "<html><body/></html>", "not a GPX file (the root element is <html>)" },
        { "lat=1 lon=2", "line 1: ", true },
        { truncated.substr(0, truncated.size() - 12), "line 5: ", true },
        { gpx(point("") + "</trkseg>"), "line 5: ", true },
        { laughs, "line 1: ", true },
        { gpx(""), "the track has no points (<trkpt>)" },
        { gpx("<trkpt lon=\"1\"/>"), "line 4: track point 1 has no lat attribute" },
        { gpx("<trkpt lat=\"1\"/>"), "line 4: track point 1 has no lon attribute" },
        { gpx(point("", "91")), "line 4: track point 1 has the lat \"91\", not a number from -90 to 90" },
        { gpx(point("") + point("", "1", "-180.0001")),
            "line 5: track point 2 has the lon \"-180.0001\", not a number from -180 to 180" },
        { gpx(point("", "nan")), "line 4: track point 1 has the lat \"nan\", not a number from -90 to 90" },
        { gpx(point("", "1e400")),
            "line 4: track point 1 has the lat \"1e400\", not a number from -90 to 90" },
        { gpx(point("", std::string(50, '7'))),
            "line 4: track point 1 has the lat \"" + std::string(40, '7')
                + "…\", not a number from -90 to 90" },
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(GpxTrack::parse(c.input, &error)) << c.input;
        if (c.prefix)
            EXPECT_TRUE(error.starts_with(c.error) && error.size() > c.error.size()) << c.input << "\n"
                                                                                     << error;
        else
            EXPECT_EQ(error, c.error) << c.input;
    }
}

TEST(GpxTrack, ReplaysAtTheTracksTimeStepsWithAccuracyFromHdop)
{
    const struct {
        const char* name;
        std::vector<std::string> children;
        std::vector<double> delays;
        std::vector<double> accuracies;
    } cases[] = {
        { "timed",
            { "<time>2024-05-18T08:30:00Z</time><hdop>1.5</hdop>", "<time>2024-05-18T08:30:04Z</time>",
                "<time>2024-05-18T08:30:04.500Z</time><hdop>0</hdop>" },
            { 0, 4, 0.5 }, { 7.5, 5, 0 } },
        { "a zone or none", { "<time>2024-05-18T10:30:00+02:00</time>", "<time>2024-05-18T08:30:03</time>" },
            { 0, 3 }, { 5, 5 } },
        { "1 s where times are missing, unreadable or not increasing",
            { "", "<time>2024-05-18T08:30:00Z</time>", "<time>yesterday</time>",
                "<time>2024-05-18T08:30:10Z</time>", "<time>2024-05-18T08:30:10Z</time>",
                "<time>2024-05-18T08:30:05Z</time>", "<time>2024-05-18T08:30:07Z</time>" },
            { 0, 1, 1, 1, 1, 1, 2 }, { 5, 5, 5, 5, 5, 5, 5 } },
        { "hdop that is no dilution counts as absent",
            { "<hdop>-1</hdop>", "<hdop>x</hdop>", "<hdop>nan</hdop>", "<hdop>1e300</hdop>",
                "<hdop> 40 </hdop>" },
            { 0, 1, 1, 1, 1 }, { 5, 5, 5, 5, 200 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string points;
        for (const std::string& children : c.children)
            points += point(children);
        std::string error;
        const std::optional<GpxTrack> track = GpxTrack::parse(gpx(points), &error);
        ASSERT_TRUE(track) << error;
        const std::vector<platform::ReplayFix> fixes = track->replayFixes();
        ASSERT_EQ(fixes.size(), c.delays.size());
        for (std::size_t i = 0; i < fixes.size(); ++i) {
            EXPECT_DOUBLE_EQ(fixes[i].delay, c.delays[i]) << "point " << i;
            EXPECT_DOUBLE_EQ(fixes[i].horizontalAccuracy, c.accuracies[i]) << "point " << i;
            EXPECT_EQ(fixes[i].coordinate.latitude, -33.86);
        }
    }
}
