#include "Exception.h"
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "LogCapture.h"
#include "ScratchFolder.h"
#include "SqliteFiles.h"

#include <sqlite3.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fmdb {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

// Another program holds the database file locked while the connection works.
class FMBusyRetryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db_.open());
        ASSERT_TRUE(db_.executeUpdate("CREATE TABLE t (v INTEGER)"));
        db_.setBusyRetryPause([this] {
            ++pauses_;
            if (pause_)
                pause_();
        });
    }

    void lock() { ASSERT_EQ(other_.exec("BEGIN EXCLUSIVE"), SQLITE_OK); }
    void unlock() { ASSERT_EQ(other_.exec("COMMIT"), SQLITE_OK); }

    auto busyLines(const std::string& operation)
    {
        return ElementsAre(
            AllOf(StartsWith(operation + ":"), MatchesRegex(".*:[0-9]+ Database busy \\(.*\\)"),
                EndsWith(" Database busy (" + path_ + ")")),
            "Database busy");
    }

    vantry::test::ScratchFolder folder_;
    std::string path_ = folder_.file("busy.sqlite");
    FMDatabase db_ { path_ };
    vantry::test::OutsideConnection other_ { path_ };
    int pauses_ = 0;
    std::function<void()> pause_;
    vantry::test::LogCapture log_;
};

class FMBusyRetryLimitTest : public FMBusyRetryTest, public ::testing::WithParamInterface<int> { };

// With a limit T > 0 the call is tried T + 2 times, T + 1 pauses between
// tries; a negative limit tries once.
TEST_P(FMBusyRetryLimitTest, UpdateGivesUpAfterTheLimit)
{
    db_.setBusyRetryTimeout(GetParam());
    lock();
    EXPECT_FALSE(db_.executeUpdate("INSERT INTO t VALUES (1)"));
    EXPECT_EQ(pauses_, GetParam() + 1);
    EXPECT_THAT(log_.take(), busyLines("FMDatabase::executeUpdateArguments"));
    EXPECT_FALSE(db_.inUse());
    unlock();
    EXPECT_TRUE(db_.executeUpdate("INSERT INTO t VALUES (2)"));
    EXPECT_EQ(other_.scalar("SELECT group_concat(v) FROM t"), "2");
}

INSTANTIATE_TEST_SUITE_P(Limits, FMBusyRetryLimitTest, ::testing::Values(-1, 1, 2, 5));

TEST_F(FMBusyRetryTest, NoLimitWaitsUntilTheDatabaseIsFree)
{
    lock();
    pause_ = [this] {
        if (pauses_ == 25)
            unlock();
    };
    EXPECT_TRUE(db_.executeUpdate("INSERT INTO t VALUES (1)"));
    EXPECT_EQ(pauses_, 25);
}

TEST_F(FMBusyRetryTest, PreparationGivesUpOnAFreshConnection)
{
    FMDatabase fresh(path_);
    ASSERT_TRUE(fresh.open());
    fresh.setBusyRetryTimeout(2);
    fresh.setBusyRetryPause([this] { ++pauses_; });
    lock();
    EXPECT_EQ(fresh.executeQuery("SELECT * FROM t"), nullptr);
    EXPECT_EQ(pauses_, 3);
    EXPECT_THAT(log_.take(), busyLines("FMDatabase::executeQueryArguments"));
}

TEST_F(FMBusyRetryTest, NextGivesUpAndClosesTheCursor)
{
    db_.setBusyRetryTimeout(2);
    const auto resultSet = db_.executeQuery("SELECT * FROM t");
    ASSERT_NE(resultSet, nullptr);
    lock();
    EXPECT_FALSE(resultSet->next());
    EXPECT_EQ(pauses_, 3);
    EXPECT_THAT(log_.take(), busyLines("FMResultSet::next"));
    EXPECT_EQ(resultSet->statement(), nullptr);
}

TEST_F(FMBusyRetryTest, CloseGivesUpWhileAnOutsideStatementIsOpen)
{
    sqlite3_stmt* outsideStatement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db_.sqliteHandle(), "SELECT 1", -1, &outsideStatement, nullptr), SQLITE_OK);
    db_.setBusyRetryTimeout(2);
    db_.close();
    EXPECT_EQ(pauses_, 3);
    EXPECT_THAT(
        log_.take(), ElementsAre(MatchesRegex("FMDatabase::close:[0-9]+"), "Database busy, unable to close"));
    EXPECT_NE(db_.sqliteHandle(), nullptr);

    sqlite3_finalize(outsideStatement);
    db_.close();
    EXPECT_EQ(db_.sqliteHandle(), nullptr);
}

TEST_F(FMBusyRetryTest, ReentryWhileBusyIsRefused)
{
    lock();
    pause_ = [this] {
        EXPECT_EQ(db_.executeQuery("SELECT 1"), nullptr);
        EXPECT_EQ(db_.lastInsertRowId(), 0);
        unlock();
    };
    EXPECT_TRUE(db_.executeUpdate("INSERT INTO t VALUES (1)"));
    const std::string inUse = "The FMDatabase " + db_.description() + " is currently in use.";
    EXPECT_THAT(log_.take(), ElementsAre(inUse, inUse));
}

TEST_F(FMBusyRetryTest, ReentryIsAnAssertionWhenCrashingOnErrors)
{
    db_.setCrashOnErrors(true);
    lock();
    pause_ = [this] { db_.executeUpdate("DELETE FROM t"); };
    EXPECT_THROW(db_.executeUpdate("INSERT INTO t VALUES (1)"), base::AssertionFailure);
    log_.take();
    EXPECT_FALSE(db_.inUse());
    unlock();
    pause_ = nullptr;
    EXPECT_TRUE(db_.executeUpdate("INSERT INTO t VALUES (1)"));
}

} // namespace
} // namespace fmdb
