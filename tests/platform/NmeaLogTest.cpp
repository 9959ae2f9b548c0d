#include "NmeaLog.h"

#include <fmt/format.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::readNmeaLog;
using platform::ReplayFix;

namespace {

// "$<body>*<checksum>\r\n"
std::string sentence(std::string_view body)
{
    unsigned checksum = 0;
    for (const char c : body)
        checksum ^= static_cast<unsigned char>(c);
    return fmt::format("${}*{:02X}\r\n", body, checksum);
}

// A GGA sentence at `time` (hhmmss) 33°51.8730' S 151°12.7740' E.
std::string gga(std::string_view time, std::string_view hdop, int quality = 1)
{
    return sentence(
        fmt::format("GPGGA,{}.00,3351.8730,S,15112.7740,E,{},08,{},12.0,M,22.0,M,,", time, quality, hdop));
}

std::string rmc(std::string_view time, char status = 'A', std::string_view latitude = "3351.8730")
{
    return sentence(
        fmt::format("GPRMC,{}.00,{},{},S,15112.7740,E,2.6,45.0,180524,,,A", time, status, latitude));
}

} // namespace

TEST(NmeaLog, GivesOneFixPerTimedEpochWithAccuracyFromHdop)
{
    const struct {
        const char* name;
        std::string log;
        std::vector<double> delays;
        std::vector<double> accuracies;
    } cases[] = {
        // Qt Positioning's estimate: 2 × HDOP × the range error (5 m).
        { "GGA and RMC", gga("083000", "8.0") + rmc("083000") + gga("083001", "1.2") + rmc("083001"),
            { 0, 1 }, { 80, 12 } },
        { "RMC alone has no accuracy", rmc("083000") + rmc("083002"), { 0, 2 }, { -1, -1 } },
        { "an epoch without a fix passes on its time",
            gga("083000", "1.0") + gga("083001", "1.0", 0) + rmc("083001", 'V') + gga("083003", "1.0"),
            { 0, 3 }, { 10, 10 } },
        { "the log starts at its first sentence", rmc("083000", 'V') + gga("083004", "2.0"), { 4 }, { 20 } },
        { "lines that are not sentences, or fail their checksum, are skipped",
            "garbage\n\n$GPGGA,083000.00,3351.8730,S,15112.7740,E,1,08,5.0,12.0,M,22.0,M,,*00\r\n"
                + gga("083000", "1.0") + "$GPGSV,3,1,11,01,40,083,46*7C\n" + "  " + gga("083001", "1.0"),
            { 0, 1 }, { 10, 10 } },
        { "midnight wraps; 1 s where time goes back",
            gga("235959", "1.0") + gga("000001", "1.0") + gga("000000", "1.0"), { 0, 2, 1 }, { 10, 10, 10 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const std::optional<std::vector<ReplayFix>> fixes = readNmeaLog(c.log, &error);
        ASSERT_TRUE(fixes) << error;
        ASSERT_EQ(fixes->size(), c.delays.size());
        for (std::size_t i = 0; i < fixes->size(); ++i) {
            EXPECT_DOUBLE_EQ((*fixes)[i].delay, c.delays[i]) << "fix " << i;
            EXPECT_DOUBLE_EQ((*fixes)[i].horizontalAccuracy, c.accuracies[i]) << "fix " << i;
            EXPECT_NEAR((*fixes)[i].coordinate.latitude, -(33 + 51.873 / 60), 1e-9);
            EXPECT_NEAR((*fixes)[i].coordinate.longitude, 151 + 12.774 / 60, 1e-9);
        }
    }
}

TEST(NmeaLog, RefusesALogWithoutFixes)
{
    for (const std::string& log : { std::string(), std::string("not nmea\n\x01\xff"),
             gga("083000", "1.0", 0) + rmc("083001", 'V'), rmc("083000", 'A', "99x") }) {
        std::string error;
        EXPECT_FALSE(readNmeaLog(log, &error)) << log;
        EXPECT_EQ(error, "the log has no position fixes (GGA or RMC sentences with a fix)");
    }
}
