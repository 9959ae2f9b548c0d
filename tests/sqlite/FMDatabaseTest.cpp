#include "FMDatabase.h"
#include "Exception.h"
#include "FMResultSet.h"
#include "LogCapture.h"
#include "ScratchFolder.h"
#include "SqliteFiles.h"

#include <sqlite3.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fmdb {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class FMDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db_.open());
        ASSERT_TRUE(db_.executeUpdate("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)"));
    }

    int count()
    {
        const auto resultSet = db_.executeQuery("SELECT count(*) FROM t");
        return resultSet && resultSet->next() ? resultSet->intForColumnIndex(0) : -1;
    }

    vantry::test::ScratchFolder folder_;
    std::string path_ = folder_.file("test.sqlite");
    FMDatabase db_ { path_ };
    vantry::test::LogCapture log_;
};

TEST_F(FMDatabaseTest, OpensTheFileAndClosesIt)
{
    EXPECT_TRUE(std::filesystem::exists(path_));
    EXPECT_NE(db_.sqliteHandle(), nullptr);
    EXPECT_TRUE(db_.goodConnection());
    EXPECT_THAT(db_.description(), ::testing::MatchesRegex("<FMDatabase: 0x[0-9a-f]+>"));

    db_.close();
    EXPECT_EQ(db_.sqliteHandle(), nullptr);
    EXPECT_FALSE(db_.goodConnection());
    EXPECT_FALSE(db_.hadError());
}

TEST_F(FMDatabaseTest, FailedOpenLogsTheCodeAndKeepsTheMessage)
{
    FMDatabase missing(folder_.file("no/such/folder.sqlite"));
    EXPECT_FALSE(missing.open());
    EXPECT_THAT(log_.take(), ElementsAre("error opening!: 14"));
    EXPECT_EQ(missing.sqliteHandle(), nullptr);
    EXPECT_EQ(missing.lastErrorCode(), SQLITE_CANTOPEN);
    EXPECT_EQ(missing.lastErrorMessage(), "unable to open database file");
}

TEST_F(FMDatabaseTest, ClosedConnectionRefusesWork)
{
    db_.close();
    const std::string notOpen = "The FMDatabase " + db_.description() + " is not open.";
    EXPECT_EQ(db_.executeQuery("SELECT 1"), nullptr);
    EXPECT_FALSE(db_.executeUpdate("DELETE FROM t"));
    EXPECT_FALSE(db_.beginTransaction());
    EXPECT_EQ(db_.lastInsertRowId(), 0);
    EXPECT_EQ(db_.changes(), 0);
    EXPECT_THAT(log_.take(), ElementsAre(notOpen, notOpen, notOpen, notOpen, notOpen));
    EXPECT_EQ(db_.lastErrorCode(), SQLITE_MISUSE);
    EXPECT_EQ(db_.lastErrorMessage(), "database is not open");
    EXPECT_FALSE(db_.inTransaction());
}

TEST_F(FMDatabaseTest, PreparationErrorsAreLoggedOnlyWhenAsked)
{
    EXPECT_FALSE(db_.executeUpdate("CREATE TABEL x (y)"));
    db_.setCrashOnErrors(true);
    EXPECT_FALSE(db_.executeUpdate("CREATE TABEL x (y)"));
    EXPECT_THAT(log_.take(), IsEmpty());
    EXPECT_EQ(db_.lastErrorCode(), SQLITE_ERROR);

    db_.setCrashOnErrors(false);
    db_.setLogsErrors(true);
    EXPECT_EQ(db_.executeQuery("SELEKT 1"), nullptr);
    EXPECT_THAT(
        log_.take(), ElementsAre("DB Error: 1 \"near \"SELEKT\": syntax error\"", "DB Query: SELEKT 1"));

    db_.setCrashOnErrors(true);
    EXPECT_THROW(
        {
            try {
                db_.executeUpdate("CREATE TABEL x (y)");
            } catch (const base::AssertionFailure& failure) {
                EXPECT_STREQ(failure.what(), "DB Error: 1 \"near \"TABEL\": syntax error\"");
                throw;
            }
        },
        base::AssertionFailure);
    log_.take();
    EXPECT_FALSE(db_.inUse());
    EXPECT_TRUE(db_.executeUpdate("INSERT INTO t (name) VALUES ('after')"));
}

TEST_F(FMDatabaseTest, StepErrorsAreLoggedWithTheirReason)
{
    ASSERT_TRUE(db_.executeUpdate("INSERT INTO t VALUES (?, ?)", 1, "one"));
    EXPECT_FALSE(db_.executeUpdate("INSERT INTO t VALUES (?, ?)", 1, "again"));
    EXPECT_THAT(log_.take(),
        ElementsAre("Error calling sqlite3_step (1: UNIQUE constraint failed: t.id) SQLITE_ERROR",
            "DB Query: INSERT INTO t VALUES (?, ?)"));
    EXPECT_EQ(db_.lastErrorCode(), SQLITE_CONSTRAINT);
    EXPECT_EQ(count(), 1);
}

TEST_F(FMDatabaseTest, UpdateThatReturnsARowIsAnAssertion)
{
    EXPECT_THROW(db_.executeUpdate("SELECT 1"), base::AssertionFailure);
    EXPECT_FALSE(db_.inUse());
    db_.setBusyRetryTimeout(1);
    db_.close(); // nothing of the failed call is left to keep it open
    EXPECT_EQ(db_.sqliteHandle(), nullptr);
}

TEST_F(FMDatabaseTest, ArgumentsMustMatchTheParameters)
{
    EXPECT_FALSE(db_.executeUpdate("INSERT INTO t VALUES (?, ?)", 1));
    EXPECT_EQ(db_.executeQuery("SELECT * FROM t WHERE id = ?", 1, 2), nullptr);
    EXPECT_THAT(log_.take(),
        ElementsAre("Error binding arguments: the statement takes 2 but 1 were given",
            "DB Query: INSERT INTO t VALUES (?, ?)",
            "Error binding arguments: the statement takes 1 but 2 were given",
            "DB Query: SELECT * FROM t WHERE id = ?"));
    EXPECT_EQ(count(), 0);
}

TEST_F(FMDatabaseTest, ArgumentSQLiteRefusesIsReported)
{
    sqlite3_limit(db_.sqliteHandle(), SQLITE_LIMIT_LENGTH, 8);
    EXPECT_FALSE(db_.executeUpdate("INSERT INTO t (name) VALUES (?)", "far longer than eight"));
    EXPECT_THAT(log_.take(),
        ElementsAre("Error binding argument 1 (18: string or blob too big)",
            "DB Query: INSERT INTO t (name) VALUES (?)"));
}

TEST_F(FMDatabaseTest, TextWithoutStatement)
{
    EXPECT_TRUE(db_.executeUpdate("-- nothing to do"));
    EXPECT_EQ(db_.executeQuery(""), nullptr);
    EXPECT_THAT(log_.take(), ElementsAre("No SQL statement in query: "));
}

TEST_F(FMDatabaseTest, TraceLogsStatementsAndArguments)
{
    db_.setTraceExecution(true);
    ASSERT_TRUE(db_.executeUpdate("INSERT INTO t VALUES (?, ?)", 7, nullptr));
    ASSERT_NE(db_.executeQuery("SELECT * FROM t"), nullptr);
    EXPECT_THAT(log_.take(),
        ElementsAre(db_.description() + " executeUpdate: INSERT INTO t VALUES (?, ?)", "obj: 7",
            "obj: <null>", db_.description() + " executeQuery: SELECT * FROM t"));
}

TEST_F(FMDatabaseTest, RowIdsAndChanges)
{
    ASSERT_TRUE(db_.executeUpdate("INSERT INTO t (name) VALUES ('a'), ('b')"));
    EXPECT_EQ(db_.lastInsertRowId(), 2);
    ASSERT_TRUE(db_.executeUpdate("UPDATE t SET name = 'c'"));
    EXPECT_EQ(db_.changes(), 2);
}

TEST_F(FMDatabaseTest, ExclusiveTransactionsLockOthersOutUntilCommit)
{
    vantry::test::OutsideConnection outside(path_);
    ASSERT_TRUE(db_.beginTransaction());
    EXPECT_TRUE(db_.inTransaction());
    EXPECT_TRUE(db_.inUse());
    ASSERT_TRUE(db_.executeUpdate("INSERT INTO t (name) VALUES ('kept')"));
    EXPECT_EQ(outside.exec("SELECT * FROM t"), SQLITE_BUSY);
    ASSERT_TRUE(db_.commit());
    EXPECT_FALSE(db_.inTransaction());
    EXPECT_FALSE(db_.inUse());
    EXPECT_EQ(outside.scalar("SELECT name FROM t"), "kept");
}

TEST_F(FMDatabaseTest, RollbackForgetsTheTransaction)
{
    ASSERT_TRUE(db_.beginDeferredTransaction());
    ASSERT_TRUE(db_.executeUpdate("INSERT INTO t (name) VALUES ('gone')"));
    ASSERT_TRUE(db_.rollback());
    EXPECT_FALSE(db_.inTransaction());
    EXPECT_EQ(count(), 0);

    EXPECT_FALSE(db_.commit());
    EXPECT_THAT(log_.take(),
        ElementsAre("Error calling sqlite3_step (1: cannot commit - no transaction is active) SQLITE_ERROR",
            "DB Query: COMMIT TRANSACTION;"));
}

TEST_F(FMDatabaseTest, ClosingEndsTheTransaction)
{
    ASSERT_TRUE(db_.beginTransaction());
    ASSERT_TRUE(db_.executeUpdate("INSERT INTO t (name) VALUES ('unsaved')"));
    db_.close();
    EXPECT_FALSE(db_.inTransaction());
    ASSERT_TRUE(db_.open());
    EXPECT_EQ(count(), 0);
}

// A statement prepared right after another program changed the schema must
// not fail (nor lose what it writes).
TEST_F(FMDatabaseTest, SchemaChangeByAnotherProgramIsHarmless)
{
    ASSERT_EQ(count(), 0);
    vantry::test::OutsideConnection outside(path_);
    ASSERT_EQ(outside.exec("CREATE TABLE other (x)"), SQLITE_OK);
    EXPECT_TRUE(db_.executeUpdate("INSERT INTO t (name) VALUES ('written')"));
    EXPECT_EQ(count(), 1);
}

TEST_F(FMDatabaseTest, ReadOnlyFileAnswersFalseAndKeepsItsRows)
{
    ASSERT_TRUE(db_.executeUpdate("INSERT INTO t (name) VALUES ('old')"));
    db_.close();

    FMDatabase readOnly("file:" + path_ + "?mode=ro");
    ASSERT_TRUE(readOnly.open());
    EXPECT_FALSE(readOnly.executeUpdate("INSERT INTO t (name) VALUES ('new')"));
    EXPECT_THAT(log_.take(),
        ElementsAre("Error calling sqlite3_step (1: attempt to write a readonly database) SQLITE_ERROR",
            "DB Query: INSERT INTO t (name) VALUES ('new')"));
    EXPECT_EQ(readOnly.lastErrorCode(), SQLITE_READONLY);
    const auto resultSet = readOnly.executeQuery("SELECT name FROM t");
    ASSERT_TRUE(resultSet && resultSet->next());
    EXPECT_EQ(resultSet->stringForColumnIndex(0), "old");
    EXPECT_FALSE(resultSet->next());
}

TEST_F(FMDatabaseTest, FileThatIsNotADatabase)
{
    const std::string path = folder_.file("text.sqlite");
    std::ofstream(path) << "This is a shopping list, not a database: bread, milk, a new phone battery.\n";
    FMDatabase db(path);
    ASSERT_TRUE(db.open()); // SQLite reads the file on first use
    EXPECT_FALSE(db.goodConnection());
    EXPECT_THAT(log_.take(), IsEmpty());

    db.setLogsErrors(true);
    EXPECT_EQ(db.executeQuery("SELECT * FROM sqlite_master"), nullptr);
    EXPECT_FALSE(db.executeUpdate("CREATE TABLE t (x)"));
    EXPECT_THAT(log_.take(),
        ElementsAre("DB Error: 26 \"file is not a database\"", "DB Query: SELECT * FROM sqlite_master",
            "DB Error: 26 \"file is not a database\"", "DB Query: CREATE TABLE t (x)"));
    EXPECT_EQ(std::filesystem::file_size(path), 75u);
}

TEST_F(FMDatabaseTest, CorruptPagesFailTheRead)
{
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(db_.executeUpdate("INSERT INTO t (name) VALUES (?)", std::string(500, 'x')));
    db_.close();
    {
        std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4096); // page 1 (the schema) stays intact
        const std::string garbage(4096 * 4, '\xa5');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }

    ASSERT_TRUE(db_.open());
    const auto resultSet = db_.executeQuery("SELECT name FROM t");
    ASSERT_NE(resultSet, nullptr);
    EXPECT_FALSE(resultSet->next());
    EXPECT_THAT(
        log_.take(), ElementsAre("Error calling sqlite3_step (1: database disk image is malformed) rs"));
    EXPECT_EQ(db_.lastErrorCode(), SQLITE_CORRUPT);
}

TEST(FMDatabaseMiscTest, KeysAreNotSupported)
{
    FMDatabase db(":memory:");
    EXPECT_FALSE(db.setKey("secret"));
    EXPECT_FALSE(db.rekey("secret"));
}

} // namespace
} // namespace fmdb
