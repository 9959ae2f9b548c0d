#pragma once

#include "FMValue.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace fmdb {

class FMDatabase;
class FMStatement;

// A forward-only cursor over the rows of one query. It owns its statement
// and borrows its connection, which closes it when the connection closes.
//
// Columns are read from the current row (after `next` answered true), by
// index from 0 or by name, ignoring ASCII letter case. Reading a closed
// cursor, before the first row, or a column that does not exist logs a
// warning and answers 0, false or nothing; an unknown name logs
// "Warning: I could not find the column named '…'.".
class FMResultSet : public std::enable_shared_from_this<FMResultSet> {
public:
    using ColumnNameToIndexMap = std::map<std::string, int, std::less<>>;

    // Registers the cursor with `parentDB` (not owned; may be null).
    static std::shared_ptr<FMResultSet> resultSetWithStatementUsingParentDatabase(
        std::shared_ptr<FMStatement> statement, FMDatabase* parentDB);
    ~FMResultSet();
    FMResultSet(const FMResultSet&) = delete;
    FMResultSet& operator=(const FMResultSet&) = delete;

    // Moves to the next row: true when there is one. The end of the rows, an
    // error or a busy database that does not free up closes the cursor.
    bool next();
    // Resets and releases the statement and forgets the connection.
    void close();

    // The index of the named column, or -1 (with a warning).
    int columnIndexForName(std::string_view columnName);

    int intForColumn(std::string_view columnName);
    int intForColumnIndex(int columnIndex);
    // The 64-bit value cut to its low 32 bits.
    std::int32_t longForColumn(std::string_view columnName);
    std::int32_t longForColumnIndex(int columnIndex);
    std::int64_t longLongIntForColumn(std::string_view columnName);
    std::int64_t longLongIntForColumnIndex(int columnIndex);
    bool boolForColumn(std::string_view columnName);
    bool boolForColumnIndex(int columnIndex);
    double doubleForColumn(std::string_view columnName);
    double doubleForColumnIndex(int columnIndex);
    // The UTF-8 text; nothing for NULL.
    std::optional<std::string> stringForColumn(std::string_view columnName);
    std::optional<std::string> stringForColumnIndex(int columnIndex);
    // The column's number as seconds since 1970 (NULL is 1970 itself).
    std::optional<FMDate> dateForColumn(std::string_view columnName);
    std::optional<FMDate> dateForColumnIndex(int columnIndex);
    // A copy of the bytes (empty for NULL).
    std::optional<FMBytes> dataForColumn(std::string_view columnName);
    std::optional<FMBytes> dataForColumnIndex(int columnIndex);
    // The bytes in place: valid only until the next `next` or `close`.
    std::optional<std::span<const std::uint8_t>> dataNoCopyForColumn(std::string_view columnName);
    std::optional<std::span<const std::uint8_t>> dataNoCopyForColumnIndex(int columnIndex);

    // Calls `setValueForKey(column name as SQLite reports it, text)` for each
    // column of the current row whose value is not NULL.
    void kvcMagic(const std::function<void(std::string_view key, std::string_view value)>& setValueForKey);

    const std::string& query() const { return query_; }
    const std::shared_ptr<FMStatement>& statement() const { return statement_; }
    FMDatabase* parentDB() const { return parentDB_; }
    const ColumnNameToIndexMap& columnNameToIndexMap() const { return columnNameToIndexMap_; }

private:
    friend class FMDatabase;
    FMResultSet(std::shared_ptr<FMStatement> statement, FMDatabase* parentDB);

    // The connection names the query it ran.
    void setQuery(std::string query) { query_ = std::move(query); }

    void setupColumnNames();
    sqlite3_stmt* openHandle() const;
    // The statement when it stands on a row, else null (with a warning).
    sqlite3_stmt* currentRow() const;
    // The statement when its current row has that column, else null.
    sqlite3_stmt* rowWithColumn(int columnIndex) const;
    void warnClosed() const;

    FMDatabase* parentDB_;
    std::shared_ptr<FMStatement> statement_;
    std::string query_;
    ColumnNameToIndexMap columnNameToIndexMap_;
    bool columnNamesSetup_ = false;
};

} // namespace fmdb
