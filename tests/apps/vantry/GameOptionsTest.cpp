// vantry's command line: the values each option takes and the sentence each
// mistake is reported with.
#include "GameOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

TEST(GameOptions, DefaultsAndEveryValue)
{
    std::string error;
    const auto defaults = parseGameOptions({}, error);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->position, "default");
    EXPECT_EQ(defaults->size.width, 360);
    EXPECT_EQ(defaults->size.height, 720);
    EXPECT_FALSE(defaults->reportProgress);

    const auto options
        = parseGameOptions({ "--position", "walker:51.5,-0.12", "--speed", "5", "--size", "400x800",
                               "--tile-host", "127.0.0.1:8080", "--server", "play.example.org", "--play-port",
                               "8443", "--image-port", "8080", "--ca-file", "ca.pem", "--player-key",
                               "abc-123", "--report", "--screenshot", "game.png", "--after", "20" },
            error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->position, "walker:51.5,-0.12");
    EXPECT_EQ(options->speed, 5);
    EXPECT_EQ(options->size.width, 400);
    EXPECT_EQ(options->tileHost, "127.0.0.1:8080");
    EXPECT_EQ(options->server, "play.example.org");
    EXPECT_EQ(options->playPort, 8443);
    EXPECT_EQ(options->imagePort, 8080);
    EXPECT_EQ(options->caFile, "ca.pem");
    EXPECT_EQ(options->playerKey, "abc-123");
    EXPECT_TRUE(options->reportProgress);
    EXPECT_EQ(options->screenshot, "game.png");
    EXPECT_EQ(options->after, 20);
}

TEST(GameOptions, MistakesAreNamed)
{
    const struct {
        Arguments arguments;
        std::string error;
    } cases[] = {
        { { "--position", "gps" },
            "--position takes default, gpx:FILE, nmea:FILE or walker[:LAT,LON], not gps" },
        { { "--position", "gpx:" },
            "--position takes default, gpx:FILE, nmea:FILE or walker[:LAT,LON], not gpx:" },
        { { "--speed", "0" }, "--speed takes a number above 0 and at most 1000, not 0" },
        { { "--server", "https://x" },
            "--server takes a host name or address (no scheme, port or path), not https://x" },
        { { "--play-port", "65536" }, "--play-port takes a port from 1 to 65535, not 65536" },
        { { "--image-port", "8o" }, "--image-port takes a port from 1 to 65535, not 8o" },
        { { "--player-key", "a\"b" },
            "--player-key takes 1 to 256 printable characters without blanks, quotes or backslashes" },
        { { "--player-key", std::string(257, 'k') },
            "--player-key takes 1 to 256 printable characters without blanks, quotes or backslashes" },
        { { "--screenshot", "x.png" }, "--screenshot and --after go together" },
        { { "--after", "-1" }, "--after takes a number of seconds, not -1" },
        { { "--bogus", "1" }, "unknown argument --bogus" },
    };
    for (const auto& mistake : cases) {
        std::string error;
        EXPECT_FALSE(parseGameOptions(mistake.arguments, error)) << mistake.arguments.front();
        EXPECT_EQ(error, mistake.error);
    }
}

} // namespace
