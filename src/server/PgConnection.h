#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace server {

// The rows of one statement's answer, as text (every column read as PostgreSQL writes it).
class PgResult {
public:
    int rows() const;
    // The rows an INSERT, UPDATE or DELETE touched.
    long long affectedRows() const;
    // The value at `row`, `column`; none for SQL null.
    std::optional<std::string_view> value(int row, int column) const;

private:
    friend class PgConnection;
    explicit PgResult(pg_result* result);
    std::shared_ptr<pg_result> result_;
};

// One connection to a PostgreSQL server through libpq, used by one thread at a time. A statement
// that fails gives none and leaves its reason in error(); a broken connection is told by isBroken()
// and is not mended here: the caller opens another.
class PgConnection {
public:
    // Where `uri` leads, as a log may show it: host, port and database, never the password.
    static std::string describe(std::string_view uri);
    // Connects to a libpq connection URI (postgresql://…), giving up after `patience`; every
    // statement then fails after `statementTimeout`. Null, with the reason in `failure`, when the
    // server cannot be reached or refuses.
    static std::unique_ptr<PgConnection> open(std::string_view uri, std::chrono::seconds patience,
        std::chrono::milliseconds statementTimeout, std::string& failure);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs `sql` with its $1, $2… parameters (text; none for SQL null).
    std::optional<PgResult> run(
        std::string_view sql, const std::vector<std::optional<std::string>>& parameters = {});
    const std::string& error() const { return error_; }
    // Whether the last failure was a serialisation or deadlock failure, which a retry may pass.
    bool lastFailureMayPassOnRetry() const { return retryable_; }
    // Whether the connection is lost, so that no statement can run on it any more.
    bool isBroken() const;

private:
    explicit PgConnection(pg_conn* connection);

    pg_conn* connection_;
    std::string error_;
    bool retryable_ = false;
};

} // namespace server
