#include "FMResultSet.h"

#include "FMBusyRetry.h"
#include "FMDatabase.h"
#include "FMStatement.h"
#include "Log.h"

#include <sqlite3.h>

#include <utility>
#include <vector>

namespace fmdb {

namespace {

std::string lowercase(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

} // namespace

std::shared_ptr<FMResultSet> FMResultSet::resultSetWithStatementUsingParentDatabase(
    std::shared_ptr<FMStatement> statement, FMDatabase* parentDB)
{
    std::shared_ptr<FMResultSet> resultSet(new FMResultSet(std::move(statement), parentDB));
    if (parentDB)
        parentDB->adoptResultSet(resultSet);
    return resultSet;
}

FMResultSet::FMResultSet(std::shared_ptr<FMStatement> statement, FMDatabase* parentDB)
    : parentDB_(parentDB)
    , statement_(std::move(statement))
{ }

FMResultSet::~FMResultSet()
{
    close();
}

bool FMResultSet::next()
{
    sqlite3_stmt* handle = openHandle();
    if (!handle) {
        warnClosed();
        return false;
    }
    FMBusyRetry retry(parentDB_ ? parentDB_->busyRetryTimeout() : 0,
        parentDB_ ? parentDB_->busyRetryPause() : std::function<void()>(&FMBusyRetry::sleepBriefly));
    int rc = SQLITE_OK;
    do {
        rc = statement_->step();
    } while (retry.again(rc));
    if (rc == SQLITE_ROW)
        return true;

    if (retry.gaveUp()) {
        FMBusyRetry::logGiveUp("FMResultSet::next", __LINE__, parentDB_ ? parentDB_->databasePath() : "");
    } else if (rc != SQLITE_DONE) {
        const char* message = sqlite3_errmsg(sqlite3_db_handle(handle));
        if (rc == SQLITE_ERROR || rc == SQLITE_MISUSE)
            base::logf("Error calling sqlite3_step ({}: {}) rs", rc, message);
        else
            base::logf("Unknown error calling sqlite3_step ({}: {}) rs", rc, message);
    }
    close();
    return false;
}

void FMResultSet::close()
{
    if (statement_) {
        statement_->reset();
        statement_.reset();
    }
    parentDB_ = nullptr;
}

int FMResultSet::columnIndexForName(std::string_view columnName)
{
    if (!columnNamesSetup_) {
        if (!openHandle()) {
            warnClosed();
            return -1;
        }
        setupColumnNames();
    }
    const std::string name = lowercase(columnName);
    const auto found = columnNameToIndexMap_.find(name);
    if (found == columnNameToIndexMap_.end()) {
        base::logf("Warning: I could not find the column named '{}'.", name);
        return -1;
    }
    return found->second;
}

int FMResultSet::intForColumn(std::string_view columnName)
{
    const int index = columnIndexForName(columnName);
    return index < 0 ? 0 : intForColumnIndex(index);
}

int FMResultSet::intForColumnIndex(int columnIndex)
{
    sqlite3_stmt* handle = rowWithColumn(columnIndex);
    return handle ? sqlite3_column_int(handle, columnIndex) : 0;
}

std::int32_t FMResultSet::longForColumn(std::string_view columnName)
{
    const int index = columnIndexForName(columnName);
    return index < 0 ? 0 : longForColumnIndex(index);
}

std::int32_t FMResultSet::longForColumnIndex(int columnIndex)
{
    return static_cast<std::int32_t>(longLongIntForColumnIndex(columnIndex));
}

std::int64_t FMResultSet::longLongIntForColumn(std::string_view columnName)
{
    const int index = columnIndexForName(columnName);
    return index < 0 ? 0 : longLongIntForColumnIndex(index);
}

std::int64_t FMResultSet::longLongIntForColumnIndex(int columnIndex)
{
    sqlite3_stmt* handle = rowWithColumn(columnIndex);
    return handle ? sqlite3_column_int64(handle, columnIndex) : 0;
}

bool FMResultSet::boolForColumn(std::string_view columnName)
{
    const int index = columnIndexForName(columnName);
    return index >= 0 && boolForColumnIndex(index);
}

bool FMResultSet::boolForColumnIndex(int columnIndex)
{
    return intForColumnIndex(columnIndex) != 0;
}

double FMResultSet::doubleForColumn(std::string_view columnName)
{
    const int index = columnIndexForName(columnName);
    return index < 0 ? 0.0 : doubleForColumnIndex(index);
}

double FMResultSet::doubleForColumnIndex(int columnIndex)
{
    sqlite3_stmt* handle = rowWithColumn(columnIndex);
    return handle ? sqlite3_column_double(handle, columnIndex) : 0.0;
}

std::optional<std::string> FMResultSet::stringForColumn(std::string_view columnName)
{
    const int index = columnIndexForName(columnName);
    return index < 0 ? std::nullopt : stringForColumnIndex(index);
}

std::optional<std::string> FMResultSet::stringForColumnIndex(int columnIndex)
{
    sqlite3_stmt* handle = rowWithColumn(columnIndex);
    if (!handle)
        return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(handle, columnIndex));
    if (!text)
        return std::nullopt;
    return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(handle, columnIndex)));
}

std::optional<FMDate> FMResultSet::dateForColumn(std::string_view columnName)
{
    const int index = columnIndexForName(columnName);
    return index < 0 ? std::nullopt : dateForColumnIndex(index);
}

std::optional<FMDate> FMResultSet::dateForColumnIndex(int columnIndex)
{
    sqlite3_stmt* handle = rowWithColumn(columnIndex);
    if (!handle)
        return std::nullopt;
    return FMDate(FMDate::duration(sqlite3_column_double(handle, columnIndex)));
}

std::optional<FMBytes> FMResultSet::dataForColumn(std::string_view columnName)
{
    const int index = columnIndexForName(columnName);
    return index < 0 ? std::nullopt : dataForColumnIndex(index);
}

std::optional<FMBytes> FMResultSet::dataForColumnIndex(int columnIndex)
{
    const std::optional<std::span<const std::uint8_t>> bytes = dataNoCopyForColumnIndex(columnIndex);
    if (!bytes)
        return std::nullopt;
    return FMBytes(bytes->begin(), bytes->end());
}

std::optional<std::span<const std::uint8_t>> FMResultSet::dataNoCopyForColumn(std::string_view columnName)
{
    const int index = columnIndexForName(columnName);
    return index < 0 ? std::nullopt : dataNoCopyForColumnIndex(index);
}

std::optional<std::span<const std::uint8_t>> FMResultSet::dataNoCopyForColumnIndex(int columnIndex)
{
    sqlite3_stmt* handle = rowWithColumn(columnIndex);
    if (!handle)
        return std::nullopt;
    // The address first, then the length: that order leaves both valid.
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(handle, columnIndex));
    const int length = sqlite3_column_bytes(handle, columnIndex);
    if (!bytes)
        return std::span<const std::uint8_t>();
    return std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(length));
}

void FMResultSet::kvcMagic(
    const std::function<void(std::string_view key, std::string_view value)>& setValueForKey)
{
    sqlite3_stmt* handle = currentRow();
    if (!handle)
        return;
    // Collected first: the setter may move or close this cursor.
    std::vector<std::pair<std::string, std::string>> values;
    const int count = sqlite3_data_count(handle);
    for (int index = 0; index < count; ++index) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(handle, index));
        const char* name = sqlite3_column_name(handle, index);
        if (text && name)
            values.emplace_back(
                name, std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(handle, index))));
    }
    for (const auto& [key, value] : values)
        setValueForKey(key, value);
}

void FMResultSet::setupColumnNames()
{
    sqlite3_stmt* handle = openHandle();
    const int count = sqlite3_column_count(handle);
    for (int index = 0; index < count; ++index) {
        if (const char* name = sqlite3_column_name(handle, index))
            columnNameToIndexMap_.insert_or_assign(lowercase(name), index);
    }
    columnNamesSetup_ = true;
}

sqlite3_stmt* FMResultSet::openHandle() const
{
    return statement_ ? statement_->statement() : nullptr;
}

sqlite3_stmt* FMResultSet::currentRow() const
{
    sqlite3_stmt* handle = openHandle();
    if (!handle) {
        warnClosed();
        return nullptr;
    }
    if (sqlite3_data_count(handle) == 0) {
        base::logf("Warning: the result set for query '{}' has no current row.", query_);
        return nullptr;
    }
    return handle;
}

sqlite3_stmt* FMResultSet::rowWithColumn(int columnIndex) const
{
    sqlite3_stmt* handle = currentRow();
    if (!handle)
        return nullptr;
    if (columnIndex < 0 || columnIndex >= sqlite3_data_count(handle)) {
        base::logf("Warning: I could not find the column at index {}.", columnIndex);
        return nullptr;
    }
    return handle;
}

void FMResultSet::warnClosed() const
{
    base::logf("Warning: the result set for query '{}' is closed.", query_);
}

} // namespace fmdb
