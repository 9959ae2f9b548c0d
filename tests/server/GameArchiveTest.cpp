#include "GameArchive.h"
#include "PostgresPlayerStore.h"
#include "PostgresServer.h"
#include "ScratchFolder.h"
#include "SqlitePlayerStore.h"
#include "StoreCalls.h"

#include <gtest/gtest.h>

#include <sstream>

namespace server {
namespace {

TEST(GameArchiveTest, AGameReadsBackExactly)
{
    const PlayerState player = test::aGame("player \"7\"\n\xC3\xA9");
    const std::string line = archiveLine(player);
    EXPECT_EQ(line.find('\n'), std::string::npos) << "one game, one line";
    std::string problem;
    EXPECT_EQ(gameFromArchiveLine(line, problem), player) << problem;
}

TEST(GameArchiveTest, AnythingButAGameIsRefusedWithAReason)
{
    const std::string good = R"("key":"k","level":1,"saved":0,"score":2,"total":3,"latitude":51.5,)"
                             R"("longitude":-0.1,"updated":1,"coins":[["c",51.5,-0.1]],"princesses":[])";
    std::string problem;
    ASSERT_TRUE(gameFromArchiveLine("{" + good + "}", problem)) << problem;
    const std::vector<std::string> bad {
        "",
        "[]",
        "{",
        "{" + good,
        R"({"key":"k"})",
        "{" + good + R"(,"key":""})",
        "{" + good + R"(,"level":-1})",
        "{" + good + R"(,"level":1.5})",
        "{" + good + R"(,"score":1e400})",
        "{" + good + R"(,"total":3000000000})",
        "{" + good + R"(,"latitude":91})",
        "{" + good + R"(,"longitude":"0"})",
        "{" + good + R"(,"coins":[["c",51.5]]})",
        "{" + good + R"(,"coins":[[1,51.5,0]]})",
        "{" + good + R"(,"princesses":[["p",0,181]]})",
        "{" + good + R"(,"princesses":{}})",
        std::string(100000, '['),
    };
    for (const std::string& line : bad) {
        problem.clear();
        EXPECT_FALSE(gameFromArchiveLine(line, problem)) << line.substr(0, 80);
        EXPECT_FALSE(problem.empty()) << line.substr(0, 80);
    }
}

// The way from one machine's file to a shared database, and back.
TEST(GameArchiveTest, ExportAndImportMoveEveryGameBetweenTheStores)
{
    vantry::test::ScratchFolder folder;
    vantry::test::PostgresServer postgres;
    const auto sqlite = SqlitePlayerStore::open(folder.file("players.sqlite"));
    const auto shared = PostgresPlayerStore::open(postgres.uri(), [] { return true; });
    ASSERT_TRUE(sqlite && shared);
    for (const char* key : { "one", "two", "three" })
        ASSERT_TRUE(sqlite->replace(test::aGame(key)));
    std::stringstream lines;
    EXPECT_EQ(exportGames(*sqlite, lines), 3);

    std::string problem;
    std::stringstream broken(lines.str() + "{\"key\":\"four\"}\n");
    EXPECT_EQ(importGames(*shared, broken, problem), std::nullopt);
    EXPECT_EQ(problem, "line 4: not a game: a field is missing or out of range");
    EXPECT_EQ(shared->playerCount(), 0) << "nothing stored from a file with a bad line";

    EXPECT_EQ(importGames(*shared, lines, problem), 3) << problem;
    std::stringstream back;
    EXPECT_EQ(exportGames(*shared, back), 3);
    EXPECT_EQ(back.str(), lines.str());
}

} // namespace
} // namespace server
