#include "PgConnection.h"
#include "PostgresServer.h"

#include <gtest/gtest.h>

namespace server {
namespace {

using namespace std::chrono_literals;

class PgConnectionTest : public testing::Test {
protected:
    std::unique_ptr<PgConnection> connect(std::chrono::milliseconds statementTimeout = 5s)
    {
        std::string failure;
        auto connection = PgConnection::open(postgres.uri(), 5s, statementTimeout, failure);
        EXPECT_NE(connection, nullptr) << failure;
        return connection;
    }

    vantry::test::PostgresServer postgres;
};

TEST_F(PgConnectionTest, ParametersGoAsTextAndNullsAsNone)
{
    auto connection = connect();
    ASSERT_NE(connection, nullptr);
    const auto result
        = connection->run("SELECT $1::text || '!', $2::text IS NULL", { "it's; --", std::nullopt });
    ASSERT_TRUE(result) << connection->error();
    ASSERT_EQ(result->rows(), 1);
    EXPECT_EQ(result->value(0, 0), "it's; --!");
    EXPECT_EQ(result->value(0, 1), "t");
    EXPECT_EQ(result->value(0, 2), std::nullopt) << "no such column";
    EXPECT_EQ(result->value(1, 0), std::nullopt) << "no such row";
}

// A slow, stopped or unreachable database is tried through the store (PostgresPlayerStoreTest).
TEST_F(PgConnectionTest, AFailedStatementSaysWhyOnOneLineAndTheConnectionGoesOn)
{
    auto connection = connect();
    ASSERT_NE(connection, nullptr);
    EXPECT_FALSE(connection->run("SELECT * FROM nowhere"));
    EXPECT_NE(connection->error().find("relation \"nowhere\" does not exist"), std::string::npos);
    EXPECT_EQ(connection->error().find('\n'), std::string::npos);
    EXPECT_TRUE(connection->run("SELECT 1"));
    EXPECT_FALSE(connection->isBroken());
}

} // namespace
} // namespace server
