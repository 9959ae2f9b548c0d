#pragma once

#include "FMValue.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace fmdb {

class FMResultSet;
class FMStatement;

// A connection to one SQLite database file, for one thread at a time.
//
// Statements are prepared, bound (one FMValue per `?`, exactly as many as the
// statement has parameters) and run with busy retries: a busy database is
// polled every 20 microseconds, without end while `busyRetryTimeout` is 0,
// otherwise until the (timeout + 2)-th busy answer in a row. Failures are
// logged and answered with null, false or 0; with `crashOnErrors`, logged
// preparation errors and re-entrant use throw base::AssertionFailure.
//
// Result sets borrow the connection: closing or destroying it closes every
// result set and statement it made, so none of them can reach a dead handle.
class FMDatabase {
public:
    using CachedStatements = std::map<std::string, std::shared_ptr<FMStatement>, std::less<>>;

    static std::shared_ptr<FMDatabase> databaseWithPath(std::string path);
    // Keeps the path (UTF-8, or ":memory:") and does not open it.
    explicit FMDatabase(std::string path);
    ~FMDatabase();
    FMDatabase(const FMDatabase&) = delete;
    FMDatabase& operator=(const FMDatabase&) = delete;

    // Opens (creating when missing) the file; true when already open.
    bool open();
    // Closes every result set and statement of the connection, then the
    // connection. Gives up, leaving it open, when SQLite stays busy.
    void close();
    // Whether the connection is open and can read its schema.
    bool goodConnection();

    // A result set positioned before the first row, or null on failure.
    template<typename... Arguments>
    std::shared_ptr<FMResultSet> executeQuery(std::string_view sql, Arguments&&... arguments)
    {
        const std::array<FMValue, sizeof...(Arguments)> values { FMValue(
            std::forward<Arguments>(arguments))... };
        return executeQueryArguments(sql, values);
    }
    std::shared_ptr<FMResultSet> executeQueryArguments(
        std::string_view sql, std::span<const FMValue> arguments);

    // Runs a statement that returns no rows; true when it succeeded. A
    // statement that does return a row throws base::AssertionFailure.
    template<typename... Arguments> bool executeUpdate(std::string_view sql, Arguments&&... arguments)
    {
        const std::array<FMValue, sizeof...(Arguments)> values { FMValue(
            std::forward<Arguments>(arguments))... };
        return executeUpdateArguments(sql, values);
    }
    bool executeUpdateArguments(std::string_view sql, std::span<const FMValue> arguments);

    bool beginTransaction();
    bool beginDeferredTransaction();
    bool commit();
    bool rollback();

    // The last SQLite error of the connection; while it is closed, the error
    // of a failed open or of a use of the closed connection.
    std::string lastErrorMessage() const;
    int lastErrorCode() const;
    bool hadError() const;

    std::int64_t lastInsertRowId();
    int changes();

    static std::string sqliteLibVersion();

    // Encrypted databases are not supported: always false.
    bool setKey(std::string_view key);
    bool rekey(std::string_view key);

    // True during a call that uses the connection and within a transaction.
    bool inUse() const { return inUse_ || inTransaction_; }

    bool shouldCacheStatements() const { return shouldCacheStatements_; }
    // Turning caching on starts an empty cache; turning it off drops it.
    void setShouldCacheStatements(bool shouldCacheStatements);
    std::shared_ptr<FMStatement> cachedStatementForQuery(std::string_view query) const;
    // Gives the statement the query text and keeps it under that text; a
    // null statement removes what is kept under the text.
    void setCachedStatementForQuery(std::shared_ptr<FMStatement> statement, std::string_view query);
    // Closes every cached statement and empties the cache.
    void clearCachedStatements();
    // Null while caching is off.
    const CachedStatements* cachedStatements() const;

    const std::string& databasePath() const { return databasePath_; }
    // The SQLite handle, null while closed. Owned by this connection.
    sqlite3* sqliteHandle() const { return db_; }
    bool logsErrors() const { return logsErrors_; }
    void setLogsErrors(bool logsErrors) { logsErrors_ = logsErrors; }
    bool crashOnErrors() const { return crashOnErrors_; }
    void setCrashOnErrors(bool crashOnErrors) { crashOnErrors_ = crashOnErrors; }
    // Set by the begin operations, cleared by commit and rollback.
    bool inTransaction() const { return inTransaction_; }
    // Logs every statement and argument.
    bool traceExecution() const { return traceExecution_; }
    void setTraceExecution(bool traceExecution) { traceExecution_ = traceExecution; }
    // 0: retry busy answers without end; T > 0: give up on the (T + 2)-th;
    // below 0: give up on the first.
    int busyRetryTimeout() const { return busyRetryTimeout_; }
    void setBusyRetryTimeout(int busyRetryTimeout) { busyRetryTimeout_ = busyRetryTimeout; }
    // What happens between two tries of a busy call: a 20-microsecond sleep
    // unless replaced (tests count the retries this way).
    const std::function<void()>& busyRetryPause() const { return busyRetryPause_; }
    void setBusyRetryPause(std::function<void()> pause) { busyRetryPause_ = std::move(pause); }

    // "<FMDatabase: 0x…>"
    std::string description() const;

private:
    friend class FMResultSet;
    enum class Binding { Static, Copy };
    struct Preparation {
        std::shared_ptr<FMStatement> statement; // null when the text holds no statement
        bool failed = false;
    };

    bool readyForUse();
    // Logs that the connection is busy with another call (and throws
    // base::AssertionFailure with the same text under `crashOnErrors`).
    void compainAboutInUse();
    void complainNotOpen();
    void rememberClosedError(int code, std::string message);
    std::shared_ptr<FMStatement> reusableCachedStatement(std::string_view sql) const;
    Preparation prepare(std::string_view sql, std::string_view operation);
    bool bindArguments(
        FMStatement& statement, std::span<const FMValue> arguments, std::string_view sql, Binding binding);
    static int bindObjectToColumnInStatement(
        const FMValue& object, int index, sqlite3_stmt* statement, Binding binding);
    static int finishStatement(FMStatement& statement, bool cached);
    void adoptResultSet(const std::shared_ptr<FMResultSet>& resultSet);
    void closeResultSets();
    void closeStatements();

    sqlite3* db_ = nullptr;
    std::string databasePath_;
    bool logsErrors_ = false;
    bool crashOnErrors_ = false;
    bool inUse_ = false;
    bool inTransaction_ = false;
    bool traceExecution_ = false;
    int busyRetryTimeout_ = 0;
    bool shouldCacheStatements_ = false;
    std::optional<CachedStatements> cachedStatements_;
    std::function<void()> busyRetryPause_;
    int closedErrorCode_ = 0;
    std::string closedErrorMessage_;
    // Everything handed out that holds a handle of this connection.
    std::vector<std::weak_ptr<FMResultSet>> resultSets_;
    std::vector<std::weak_ptr<FMStatement>> statements_;
};

} // namespace fmdb
