#include "GameServer.h"

#include <gtest/gtest.h>

#include <cstdlib>

using protocol::GameServer;

namespace {

// Leaves the host as the test found it: no override, no environment variable.
class GameServerTest : public testing::Test {
protected:
    void SetUp() override
    {
        GameServer::setHost("");
        unsetenv("VANTRY_SERVER");
    }
    void TearDown() override { SetUp(); }
};

TEST_F(GameServerTest, DefaultHostGivesBothUrls)
{
    EXPECT_EQ(GameServer::host(), "play.vantry.app");
    EXPECT_EQ(GameServer::playURL(), "https://play.vantry.app/api/play");
    EXPECT_EQ(GameServer::markerImageLocation("coin"), "http://play.vantry.app/img/coin.png");
}

TEST_F(GameServerTest, EnvironmentOverridesTheDefaultAndTheSetterTheEnvironment)
{
    setenv("VANTRY_SERVER", "127.0.0.1:8080", 1);
    EXPECT_EQ(GameServer::playURL(), "https://127.0.0.1:8080/api/play");
    EXPECT_EQ(GameServer::markerImageLocation("ms"), "http://127.0.0.1:8080/img/ms.png");
    GameServer::setHost("cli.example");
    EXPECT_EQ(GameServer::host(), "cli.example");
    GameServer::setHost("");
    EXPECT_EQ(GameServer::host(), "127.0.0.1:8080");
    setenv("VANTRY_SERVER", "", 1);
    EXPECT_EQ(GameServer::host(), "play.vantry.app");
}

TEST_F(GameServerTest, ImageNamesCannotLeaveTheImageFolder)
{
    EXPECT_EQ(GameServer::markerImageLocation("a-b_c.d~e9"), "http://play.vantry.app/img/a-b_c.d~e9.png");
    EXPECT_EQ(
        GameServer::markerImageLocation("../../x?y#z"), "http://play.vantry.app/img/..%2F..%2Fx%3Fy%23z.png");
    EXPECT_EQ(
        GameServer::markerImageLocation("caf\xC3\xA9 1"), "http://play.vantry.app/img/caf%C3%A9%201.png");
}

} // namespace
