#include "ServerOptions.h"
#include "ScopedEnvironment.h"

#include <gtest/gtest.h>

namespace {

TEST(ServerOptions, DefaultsServeLoopbackFromTheUsersDataFolder)
{
    const vantry::test::ScopedEnvironment dataHome("XDG_DATA_HOME", "/tmp/xdg");
    const ServerOptions options = parseServerOptions({});
    EXPECT_TRUE(options.error.empty());
    EXPECT_FALSE(options.help);
    EXPECT_FALSE(options.seedGiven);
    EXPECT_EQ(options.settings.host, "127.0.0.1");
    EXPECT_EQ(options.settings.playPort, 8443);
    EXPECT_EQ(options.settings.imagePort, 8080);
    EXPECT_EQ(options.settings.dataFolder, "/tmp/xdg/vantry-server");
    EXPECT_TRUE(options.settings.certificate.empty());
}

TEST(ServerOptions, ReadsEveryOption)
{
    const ServerOptions options = parseServerOptions(
        { "--host", "::", "--play-port", "0", "--image-port", "65535", "--data", "d", "--cert", "c.pem",
            "--key", "k.pem", "--seed", "18446744073709551615", "--fastest", "30.5", "--connections", "500",
            "--connections-per-address", "1000", "--database", "postgresql://db/vantry" });
    ASSERT_TRUE(options.error.empty()) << options.error;
    EXPECT_EQ(options.settings.host, "::");
    EXPECT_EQ(options.settings.playPort, 0);
    EXPECT_EQ(options.settings.imagePort, 65535);
    EXPECT_EQ(options.settings.dataFolder, "d");
    EXPECT_EQ(options.settings.certificate, "c.pem");
    EXPECT_EQ(options.settings.privateKey, "k.pem");
    EXPECT_TRUE(options.seedGiven);
    EXPECT_EQ(options.settings.seed, 18446744073709551615ULL);
    EXPECT_EQ(options.settings.fastest, 30.5);
    EXPECT_EQ(options.settings.limits.connections, 500U);
    EXPECT_EQ(options.settings.limits.connectionsPerAddress, 1000U);
    EXPECT_EQ(options.settings.database, "postgresql://db/vantry");
    EXPECT_TRUE(parseServerOptions({ "--seed", "1", "--help" }).help);
}

TEST(ServerOptions, TheDatabaseComesFromTheEnvironmentUnlessGiven)
{
    const vantry::test::ScopedEnvironment database("VANTRY_DATABASE", "postgresql://from/environment");
    EXPECT_EQ(parseServerOptions({}).settings.database, "postgresql://from/environment");
    EXPECT_EQ(parseServerOptions({ "--database", "postgresql://given/here" }).settings.database,
        "postgresql://given/here");
    EXPECT_EQ(parseServerOptions({ "--export", "-" }).exportTo, "-");
}

TEST(ServerOptions, RefusesWhatItCannotUse)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string error;
    };
    const Case cases[] = {
        { { "--port", "1" }, "unknown argument --port" },
        { { "--data" }, "--data needs a value" },
        { { "--host", "" }, "--host needs an address" },
        { { "--play-port", "65536" }, "the port must be a number from 0 to 65535" },
        { { "--image-port", "80x" }, "the port must be a number from 0 to 65535" },
        { { "--image-port", "-1" }, "the port must be a number from 0 to 65535" },
        { { "--seed", "-3" }, "--seed takes a whole number from 0 to 18446744073709551615" },
        { { "--seed", "18446744073709551616" },
            "--seed takes a whole number from 0 to 18446744073709551615" },
        { { "--connections", "0" }, "--connections takes a whole number from 1 to 1000000" },
        { { "--database", "" }, "--database needs a PostgreSQL URI" },
        { { "--export", "a", "--import", "b" }, "--export and --import go one at a time" },
        { { "--connections-per-address", "x" },
            "--connections-per-address takes a whole number from 1 to 1000000" },
        { { "--fastest", "0" }, "--fastest takes a speed in metres a second, above 0 and at most 1000000" },
        { { "--fastest", "nan" }, "--fastest takes a speed in metres a second, above 0 and at most 1000000" },
        { { "--fastest", "12m" }, "--fastest takes a speed in metres a second, above 0 and at most 1000000" },
        { { "--cert", "c.pem" }, "--cert and --key go together" },
        { { "--play-port", "9000", "--image-port", "9000" }, "the play port and the image port must differ" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseServerOptions(c.arguments).error, c.error) << c.arguments.front();
}

} // namespace
