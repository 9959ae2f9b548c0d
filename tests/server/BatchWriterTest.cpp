#include "BatchWriter.h"
#include "FMDatabase.h"
#include "LogCapture.h"
#include "ScratchFolder.h"
#include "SqliteFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <future>

using server::BatchWriter;

namespace {

struct Written {
    bool committed = false;
    std::string rowsSeen; // by another program when the write was answered
};

class BatchWriterTest : public ::testing::Test {
protected:
    static constexpr std::size_t kCapacity = 3;

    void SetUp() override
    {
        ASSERT_EQ(outside_.exec(
                      "PRAGMA journal_mode=WAL; CREATE TABLE numbers (n INTEGER PRIMARY KEY CHECK (n > 0))"),
            SQLITE_OK);
        ASSERT_TRUE(connection_->open());
        connection_->setBusyRetryTimeout(-1);
        writer_ = std::make_unique<BatchWriter>(connection_, nullptr, kCapacity);
    }

    void TearDown() override { outside_.exec("ROLLBACK"); }

    std::future<Written> insert(int number,
        BatchWriter::Deadline deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5))
    {
        auto written = std::make_shared<std::promise<Written>>();
        writer_->write(
            "insert a number", deadline,
            [number](fmdb::FMDatabase& database) {
                return database.executeUpdate("INSERT INTO numbers VALUES (?)", number);
            },
            [this, written](bool committed) {
                written->set_value({ committed, reader_.scalar("SELECT COUNT(*) FROM numbers") });
            });
        return written->get_future();
    }

    static bool ready(const std::future<Written>& written)
    {
        return written.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }

    vantry::test::ScratchFolder folder_;
    const std::string path_ = folder_.file("numbers.sqlite");
    // Holds the write lock while writes queue, as another program may.
    vantry::test::OutsideConnection outside_ { path_ };
    vantry::test::OutsideConnection reader_ { path_ };
    std::shared_ptr<fmdb::FMDatabase> connection_ = std::make_shared<fmdb::FMDatabase>(path_);
    std::unique_ptr<BatchWriter> writer_;
};

TEST_F(BatchWriterTest, WritesQueuedTogetherAreCommittedInOneTransactionBeforeAnyIsAnswered)
{
    ASSERT_EQ(outside_.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    std::future<Written> writes[] = { insert(1), insert(2), insert(3) };
    for (const std::future<Written>& written : writes)
        EXPECT_FALSE(ready(written)) << "answered before it could be committed";
    outside_.exec("ROLLBACK");
    for (std::future<Written>& written : writes) {
        const Written answer = written.get();
        EXPECT_TRUE(answer.committed);
        EXPECT_EQ(answer.rowsSeen, "3");
    }
}

TEST_F(BatchWriterTest, AFailingWriteIsGivenUpAloneAndTheOthersAreCommitted)
{
    ASSERT_EQ(outside_.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    vantry::test::LogCapture log;
    std::future<Written> writes[] = { insert(1), insert(0), insert(2) };
    outside_.exec("ROLLBACK");
    EXPECT_TRUE(writes[0].get().committed);
    EXPECT_FALSE(writes[1].get().committed);
    EXPECT_TRUE(writes[2].get().committed);
    EXPECT_EQ(reader_.scalar("SELECT group_concat(n) FROM numbers"), "1,2");
    EXPECT_EQ(log.take().back(), "players database: cannot insert a number: CHECK constraint failed: n > 0");
}

TEST_F(BatchWriterTest, WritesThatCannotWaitAreGivenUpWhileTheOthersWait)
{
    struct Case {
        const char* what;
        int waiting; // writes queued before
        BatchWriter::Deadline deadline;
        const char* logLine;
    };
    const Case cases[] = {
        { "beyond the capacity", kCapacity, std::chrono::steady_clock::now() + std::chrono::seconds(5),
            "players database: cannot insert a number: too many writes waiting" },
        { "at its deadline", 1, std::chrono::steady_clock::now(),
            "players database: cannot insert a number: database is locked" },
    };
    int number = 0;
    for (const Case& c : cases) {
        ASSERT_EQ(outside_.exec("BEGIN IMMEDIATE"), SQLITE_OK) << c.what;
        vantry::test::LogCapture log;
        std::vector<std::future<Written>> waiting;
        for (int queued = 0; queued < c.waiting; ++queued)
            waiting.push_back(insert(++number));
        EXPECT_FALSE(insert(++number, c.deadline).get().committed) << c.what;
        EXPECT_EQ(log.take(), std::vector<std::string> { c.logLine }) << c.what;
        outside_.exec("ROLLBACK");
        for (std::future<Written>& written : waiting)
            EXPECT_TRUE(written.get().committed) << c.what;
    }
}

} // namespace
