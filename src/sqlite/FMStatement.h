#pragma once

#include <string>

struct sqlite3_stmt;

namespace fmdb {

// A prepared SQLite statement that a connection keeps for re-use. It owns its
// handle: `close` and destruction finalise it.
class FMStatement {
public:
    FMStatement() = default;
    ~FMStatement();
    FMStatement(const FMStatement&) = delete;
    FMStatement& operator=(const FMStatement&) = delete;

    // Finalises the handle, if any, and forgets it. Returns the result of
    // sqlite3_finalize (SQLITE_OK when there was no handle).
    int close();
    // Resets the handle, if any, for another run; returns the result of
    // sqlite3_reset (SQLITE_OK when there is no handle).
    int reset();

    // Runs one step. Errors come back as the classic codes: SQLITE_ROW,
    // SQLITE_DONE, SQLITE_BUSY, SQLITE_MISUSE or SQLITE_ERROR, with the
    // detailed reason in sqlite3_errmsg of the connection. Without a handle
    // the answer is SQLITE_MISUSE.
    int step();

    sqlite3_stmt* statement() const { return statement_; }
    // Takes ownership of `statement`; a different handle held before is
    // finalised.
    void setStatement(sqlite3_stmt* statement);

    const std::string& query() const { return query_; }
    void setQuery(std::string query) { query_ = std::move(query); }

    int useCount() const { return useCount_; }
    void setUseCount(int useCount) { useCount_ = useCount; }

    // "<FMStatement: 0x…> 3 hit(s) for query SELECT …"
    std::string description() const;

private:
    sqlite3_stmt* statement_ = nullptr;
    std::string query_;
    int useCount_ = 0;
};

} // namespace fmdb
