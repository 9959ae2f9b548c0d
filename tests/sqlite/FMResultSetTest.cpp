#include "FMResultSet.h"
#include "FMDatabase.h"
#include "FMStatement.h"
#include "LogCapture.h"
#include "ScratchFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace fmdb {
namespace {

using ::testing::ElementsAre;

class FMResultSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db_->open());
        ASSERT_TRUE(
            db_->executeUpdate("CREATE TABLE t (Id INTEGER, Big INTEGER, Real REAL, Name TEXT, Data BLOB)"));
        ASSERT_TRUE(db_->executeUpdate(
            "INSERT INTO t VALUES (?, ?, ?, ?, ?)", 7, 0x100000005ll, 1.25, "seven", FMBytes { 0xde, 0xad }));
        ASSERT_TRUE(db_->executeUpdate("INSERT INTO t VALUES (0, NULL, NULL, NULL, NULL)"));
    }

    std::shared_ptr<FMResultSet> firstRow()
    {
        auto resultSet = db_->executeQuery("SELECT * FROM t ORDER BY Id DESC");
        EXPECT_TRUE(resultSet && resultSet->next());
        return resultSet;
    }

    vantry::test::ScratchFolder folder_;
    std::shared_ptr<FMDatabase> db_ = FMDatabase::databaseWithPath(folder_.file("rows.sqlite"));
    vantry::test::LogCapture log_;
};

TEST_F(FMResultSetTest, ReadsColumnsByIndexAndByNameInAnyCase)
{
    const auto row = firstRow();
    EXPECT_EQ(row->intForColumnIndex(0), 7);
    EXPECT_EQ(row->intForColumn("ID"), 7);
    EXPECT_EQ(row->longLongIntForColumn("big"), 0x100000005ll);
    EXPECT_EQ(row->longForColumn("Big"), 5); // cut to 32 bits
    EXPECT_EQ(row->longForColumnIndex(1), 5);
    EXPECT_TRUE(row->boolForColumn("id"));
    EXPECT_EQ(row->doubleForColumn("real"), 1.25);
    EXPECT_EQ(row->stringForColumn("NAME"), "seven");
    EXPECT_EQ(row->stringForColumnIndex(0), "7");
    EXPECT_EQ(row->dateForColumn("Real")->time_since_epoch().count(), 1.25);
    EXPECT_EQ(row->dataForColumn("data"), (FMBytes { 0xde, 0xad }));
    const auto view = row->dataNoCopyForColumnIndex(4);
    ASSERT_TRUE(view);
    EXPECT_EQ(FMBytes(view->begin(), view->end()), (FMBytes { 0xde, 0xad }));
    EXPECT_EQ(row->columnIndexForName("DATA"), 4);
    EXPECT_EQ(row->columnNameToIndexMap().size(), 5u);
    EXPECT_EQ(row->query(), "SELECT * FROM t ORDER BY Id DESC");
}

TEST_F(FMResultSetTest, NullValues)
{
    const auto row = firstRow();
    ASSERT_TRUE(row->next());
    EXPECT_EQ(row->stringForColumn("name"), std::nullopt);
    EXPECT_EQ(row->dataForColumn("data"), FMBytes {});
    EXPECT_EQ(row->dataNoCopyForColumn("data")->size(), 0u);
    EXPECT_EQ(row->dateForColumn("real")->time_since_epoch().count(), 0.0);
    EXPECT_EQ(row->longLongIntForColumn("big"), 0);
    EXPECT_FALSE(row->boolForColumn("big"));
}

TEST_F(FMResultSetTest, UnknownNameWarnsOnEveryCall)
{
    const auto row = firstRow();
    EXPECT_EQ(row->intForColumn("Missing"), 0);
    EXPECT_EQ(row->stringForColumn("missing"), std::nullopt);
    EXPECT_EQ(row->dateForColumn("missing"), std::nullopt);
    EXPECT_EQ(row->dataForColumn("missing"), std::nullopt);
    EXPECT_EQ(row->columnIndexForName("missing"), -1);
    const std::string warning = "Warning: I could not find the column named 'missing'.";
    EXPECT_THAT(log_.take(), ElementsAre(warning, warning, warning, warning, warning));
}

TEST_F(FMResultSetTest, ColumnsOutsideTheRowAreWarnings)
{
    auto resultSet = db_->executeQuery("SELECT Id FROM t WHERE Id = ?", 7);
    ASSERT_TRUE(resultSet);
    EXPECT_EQ(resultSet->intForColumnIndex(0), 0);
    ASSERT_TRUE(resultSet->next());
    EXPECT_EQ(resultSet->stringForColumnIndex(1), std::nullopt);
    EXPECT_EQ(resultSet->longLongIntForColumnIndex(-1), 0);
    EXPECT_THAT(log_.take(),
        ElementsAre("Warning: the result set for query 'SELECT Id FROM t WHERE Id = ?' has no current row.",
            "Warning: I could not find the column at index 1.",
            "Warning: I could not find the column at index -1."));
}

TEST_F(FMResultSetTest, EndOfRowsClosesTheCursor)
{
    const auto resultSet = db_->executeQuery("SELECT Id FROM t WHERE Id = 7");
    ASSERT_TRUE(resultSet && resultSet->next());
    EXPECT_FALSE(resultSet->next());
    EXPECT_EQ(resultSet->statement(), nullptr);
    EXPECT_EQ(resultSet->parentDB(), nullptr);

    EXPECT_FALSE(resultSet->next());
    EXPECT_EQ(resultSet->intForColumnIndex(0), 0);
    const std::string closed = "Warning: the result set for query 'SELECT Id FROM t WHERE Id = 7' is closed.";
    EXPECT_THAT(log_.take(), ElementsAre(closed, closed));
}

TEST_F(FMResultSetTest, StepErrorClosesTheCursor)
{
    const auto resultSet = db_->executeQuery("SELECT abs(Id - 9223372036854775807 - 8) FROM t");
    ASSERT_TRUE(resultSet);
    EXPECT_FALSE(resultSet->next());
    EXPECT_THAT(log_.take(), ElementsAre("Error calling sqlite3_step (1: integer overflow) rs"));
    EXPECT_EQ(resultSet->statement(), nullptr);
}

// The cursor borrows its connection: a connection that goes first closes it.
TEST_F(FMResultSetTest, CursorOutlivingItsConnectionIsClosed)
{
    const auto resultSet = firstRow();
    const auto statement = resultSet->statement();
    int pauses = 0;
    db_->setBusyRetryPause([&] { ++pauses; });
    db_.reset();

    EXPECT_EQ(pauses, 0);
    EXPECT_EQ(statement->statement(), nullptr);
    EXPECT_FALSE(resultSet->next());
    EXPECT_EQ(resultSet->stringForColumn("name"), std::nullopt);
    const std::string closed
        = "Warning: the result set for query 'SELECT * FROM t ORDER BY Id DESC' is closed.";
    EXPECT_THAT(log_.take(), ElementsAre(closed, closed));
}

TEST_F(FMResultSetTest, ArgumentsNeedNotOutliveTheQuery)
{
    auto resultSet = db_->executeQuery("SELECT ? || ?", std::string(100, 'a'), FMBytes(50, 'b'));
    ASSERT_TRUE(resultSet && resultSet->next());
    EXPECT_EQ(resultSet->stringForColumnIndex(0), std::string(100, 'a') + std::string(50, 'b'));
}

TEST_F(FMResultSetTest, KvcMagicSetsEveryTextByItsColumnName)
{
    auto resultSet = db_->executeQuery("SELECT Id, Name, Big AS Later FROM t ORDER BY Id");
    std::map<std::string, std::string, std::less<>> values;
    const auto setValueForKey = [&](std::string_view key, std::string_view value) {
        values.insert_or_assign(std::string(key), std::string(value));
    };
    ASSERT_TRUE(resultSet && resultSet->next());
    resultSet->kvcMagic(setValueForKey);
    EXPECT_EQ(values, (std::map<std::string, std::string, std::less<>> { { "Id", "0" } }));
    ASSERT_TRUE(resultSet->next());
    resultSet->kvcMagic(setValueForKey);
    EXPECT_EQ(values,
        (std::map<std::string, std::string, std::less<>> {
            { "Id", "7" }, { "Later", "4294967301" }, { "Name", "seven" } }));
}

} // namespace
} // namespace fmdb
