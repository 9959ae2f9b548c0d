#include "FMDatabase.h"
#include "FMResultSet.h"
#include "FMStatement.h"
#include "LogCapture.h"
#include "ScratchFolder.h"
#include "SqliteFiles.h"

#include <fmt/format.h>
#include <sqlite3.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fmdb {
namespace {

constexpr const char* insert = "INSERT INTO t VALUES (?)";
constexpr const char* select = "SELECT v FROM t WHERE v >= ? ORDER BY v";

class FMStatementCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db_.open());
        db_.setShouldCacheStatements(true);
        ASSERT_TRUE(db_.executeUpdate("CREATE TABLE t (v INTEGER)"));
    }

    vantry::test::ScratchFolder folder_;
    std::string path_ = folder_.file("cache.sqlite");
    FMDatabase db_ { path_ };
    vantry::test::LogCapture log_;
};

TEST_F(FMStatementCacheTest, UpdatesReuseOnePreparedStatement)
{
    for (int v = 1; v <= 3; ++v)
        ASSERT_TRUE(db_.executeUpdate(insert, v));

    const auto statement = db_.cachedStatementForQuery(insert);
    ASSERT_NE(statement, nullptr);
    EXPECT_EQ(statement->useCount(), 3);
    EXPECT_EQ(statement->query(), insert);
    EXPECT_EQ(statement->description(),
        "<FMStatement: " + fmt::format("{}", fmt::ptr(statement.get())) + "> 3 hit(s) for query " + insert);
    EXPECT_EQ(db_.cachedStatements()->size(), 2u); // with the CREATE TABLE
}

TEST_F(FMStatementCacheTest, QueriesReuseTheirStatementWithNewArguments)
{
    for (int v = 1; v <= 3; ++v)
        ASSERT_TRUE(db_.executeUpdate(insert, v));
    auto first = db_.executeQuery(select, 2);
    ASSERT_TRUE(first && first->next());
    EXPECT_EQ(first->intForColumnIndex(0), 2);
    const auto statement = first->statement();
    first->close();

    auto second = db_.executeQuery(select, 3);
    ASSERT_TRUE(second && second->next());
    EXPECT_EQ(second->intForColumnIndex(0), 3);
    EXPECT_EQ(second->statement(), statement);
    EXPECT_EQ(statement->useCount(), 2);
}

// Two cursors on one text must not share (and re-bind) one statement.
TEST_F(FMStatementCacheTest, OpenCursorKeepsItsStatementToItself)
{
    for (int v = 1; v <= 3; ++v)
        ASSERT_TRUE(db_.executeUpdate(insert, v));
    auto first = db_.executeQuery(select, 1);
    ASSERT_TRUE(first && first->next());
    auto second = db_.executeQuery(select, 3);
    ASSERT_TRUE(second && second->next());
    EXPECT_NE(first->statement(), second->statement());

    EXPECT_EQ(second->intForColumnIndex(0), 3);
    EXPECT_FALSE(second->next());
    ASSERT_TRUE(first->next());
    EXPECT_EQ(first->intForColumnIndex(0), 2);
}

TEST_F(FMStatementCacheTest, ClearingClosesTheStatements)
{
    ASSERT_TRUE(db_.executeUpdate(insert, 1));
    const auto statement = db_.cachedStatementForQuery(insert);
    db_.clearCachedStatements();
    EXPECT_EQ(statement->statement(), nullptr);
    EXPECT_TRUE(db_.cachedStatements()->empty());

    ASSERT_TRUE(db_.executeUpdate(insert, 2));
    db_.setCachedStatementForQuery(nullptr, insert);
    EXPECT_EQ(db_.cachedStatementForQuery(insert), nullptr);
    db_.setShouldCacheStatements(false);
    EXPECT_EQ(db_.cachedStatements(), nullptr);
    ASSERT_TRUE(db_.executeUpdate(insert, 3));
    EXPECT_EQ(db_.cachedStatementForQuery(insert), nullptr);
}

TEST_F(FMStatementCacheTest, CachedStatementSurvivesAnotherProgramsSchemaChange)
{
    constexpr const char* insertV = "INSERT INTO t (v) VALUES (?)";
    ASSERT_TRUE(db_.executeUpdate(insertV, 1));
    vantry::test::OutsideConnection outside(path_);
    ASSERT_EQ(outside.exec("CREATE TABLE other (x); ALTER TABLE t ADD COLUMN w"), SQLITE_OK);
    EXPECT_TRUE(db_.executeUpdate(insertV, 2));
    EXPECT_TRUE(db_.executeUpdate(insertV, 3));
    EXPECT_EQ(db_.cachedStatementForQuery(insertV)->useCount(), 3);
    EXPECT_EQ(outside.scalar("SELECT group_concat(v) FROM t"), "1,2,3");
}

} // namespace
} // namespace fmdb
