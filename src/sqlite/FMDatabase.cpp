#include "FMDatabase.h"

#include "Exception.h"
#include "FMBusyRetry.h"
#include "FMResultSet.h"
#include "FMStatement.h"
#include "Log.h"

#include <sqlite3.h>

#include <algorithm>
#include <climits>

namespace fmdb {

namespace {

// Marks the connection in use for one call, however the call ends.
class InUseScope {
public:
    explicit InUseScope(bool& inUse)
        : inUse_(inUse)
    {
        inUse_ = true;
    }
    ~InUseScope() { inUse_ = false; }
    InUseScope(const InUseScope&) = delete;
    InUseScope& operator=(const InUseScope&) = delete;

private:
    bool& inUse_;
};

template<typename T> void forgetExpired(std::vector<std::weak_ptr<T>>& references)
{
    std::erase_if(references, [](const std::weak_ptr<T>& reference) { return reference.expired(); });
}

} // namespace

std::shared_ptr<FMDatabase> FMDatabase::databaseWithPath(std::string path)
{
    return std::make_shared<FMDatabase>(std::move(path));
}

FMDatabase::FMDatabase(std::string path)
    : databasePath_(std::move(path))
    , busyRetryPause_(&FMBusyRetry::sleepBriefly)
    , closedErrorMessage_(sqlite3_errstr(SQLITE_OK))
{ }

FMDatabase::~FMDatabase()
{
    close();
    // Still open only when statements prepared by others on our handle are
    // alive: SQLite frees the connection once they are finalised.
    if (db_)
        sqlite3_close_v2(db_);
}

bool FMDatabase::open()
{
    if (db_)
        return true;
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open(databasePath_.c_str(), &handle);
    if (rc != SQLITE_OK) {
        base::logf("error opening!: {}", rc);
        rememberClosedError(rc, handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc));
        sqlite3_close(handle);
        return false;
    }
    db_ = handle;
    return true;
}

void FMDatabase::close()
{
    closeResultSets();
    clearCachedStatements();
    if (!db_)
        return;
    closeStatements();
    FMBusyRetry retry(busyRetryTimeout_, busyRetryPause_);
    int rc = SQLITE_OK;
    do {
        rc = sqlite3_close(db_);
    } while (retry.again(rc));
    if (retry.gaveUp()) {
        base::logf("{}:{}", "FMDatabase::close", __LINE__);
        base::log("Database busy, unable to close");
        return;
    }
    if (rc != SQLITE_OK)
        base::logf("error closing!: {}", rc);
    db_ = nullptr;
    // SQLite rolls back whatever was left open.
    inTransaction_ = false;
    rememberClosedError(SQLITE_OK, sqlite3_errstr(SQLITE_OK));
}

bool FMDatabase::goodConnection()
{
    if (!db_)
        return false;
    const std::shared_ptr<FMResultSet> resultSet
        = executeQuery("select name from sqlite_master where type='table'");
    if (!resultSet)
        return false;
    resultSet->close();
    return true;
}

std::shared_ptr<FMResultSet> FMDatabase::executeQueryArguments(
    std::string_view sql, std::span<const FMValue> arguments)
{
    if (!readyForUse())
        return nullptr;
    const InUseScope scope(inUse_);
    if (traceExecution_)
        base::logf("{} executeQuery: {}", description(), sql);

    std::shared_ptr<FMStatement> statement = reusableCachedStatement(sql);
    const bool cached = statement != nullptr;
    if (!cached) {
        Preparation prepared = prepare(sql, "FMDatabase::executeQueryArguments");
        if (prepared.failed)
            return nullptr;
        if (!prepared.statement) {
            base::logf("No SQL statement in query: {}", sql);
            return nullptr;
        }
        statement = std::move(prepared.statement);
    }
    // The result set is stepped after the arguments are gone: bind copies.
    if (!bindArguments(*statement, arguments, sql, Binding::Copy)) {
        finishStatement(*statement, cached);
        return nullptr;
    }
    if (!cached && shouldCacheStatements_)
        setCachedStatementForQuery(statement, sql);

    std::shared_ptr<FMResultSet> resultSet
        = FMResultSet::resultSetWithStatementUsingParentDatabase(statement, this);
    resultSet->setQuery(std::string(sql));
    statement->setUseCount(statement->useCount() + 1);
    return resultSet;
}

bool FMDatabase::executeUpdateArguments(std::string_view sql, std::span<const FMValue> arguments)
{
    if (!readyForUse())
        return false;
    const InUseScope scope(inUse_);
    if (traceExecution_)
        base::logf("{} executeUpdate: {}", description(), sql);

    std::shared_ptr<FMStatement> statement = reusableCachedStatement(sql);
    bool cached = statement != nullptr;
    if (!cached) {
        Preparation prepared = prepare(sql, "FMDatabase::executeUpdateArguments");
        if (prepared.failed)
            return false;
        // Nothing to run, as with sqlite3_exec.
        if (!prepared.statement)
            return true;
        statement = std::move(prepared.statement);
    }
    // The arguments outlive the step and the reset below: no copies needed.
    if (!bindArguments(*statement, arguments, sql, Binding::Static)) {
        finishStatement(*statement, cached);
        return false;
    }

    FMBusyRetry retry(busyRetryTimeout_, busyRetryPause_);
    int rc = SQLITE_OK;
    do {
        rc = statement->step();
    } while (retry.again(rc));
    if (retry.gaveUp()) {
        FMBusyRetry::logGiveUp("FMDatabase::executeUpdateArguments", __LINE__, databasePath_);
    } else if (rc == SQLITE_ROW) {
        finishStatement(*statement, cached);
        throw base::AssertionFailure("rc!=SQLITE_ROW");
    } else if (rc != SQLITE_DONE) {
        if (rc == SQLITE_ERROR)
            base::logf("Error calling sqlite3_step ({}: {}) SQLITE_ERROR", rc, sqlite3_errmsg(db_));
        else if (rc == SQLITE_MISUSE)
            base::logf("Error calling sqlite3_step ({}: {}) SQLITE_MISUSE", rc, sqlite3_errmsg(db_));
        else
            base::logf("Unknown error calling sqlite3_step ({}: {}) eu", rc, sqlite3_errmsg(db_));
        base::logf("DB Query: {}", sql);
    }

    if (!cached && shouldCacheStatements_) {
        setCachedStatementForQuery(statement, sql);
        cached = true;
    }
    if (cached)
        statement->setUseCount(statement->useCount() + 1);
    // A failed step's error comes back from the reset or finalise.
    return finishStatement(*statement, cached) == SQLITE_OK;
}

bool FMDatabase::beginTransaction()
{
    const bool begun = executeUpdate("BEGIN EXCLUSIVE TRANSACTION;");
    if (begun)
        inTransaction_ = true;
    return begun;
}

bool FMDatabase::beginDeferredTransaction()
{
    const bool begun = executeUpdate("BEGIN DEFERRED TRANSACTION;");
    if (begun)
        inTransaction_ = true;
    return begun;
}

bool FMDatabase::commit()
{
    const bool committed = executeUpdate("COMMIT TRANSACTION;");
    if (committed)
        inTransaction_ = false;
    return committed;
}

bool FMDatabase::rollback()
{
    const bool rolledBack = executeUpdate("ROLLBACK TRANSACTION;");
    if (rolledBack)
        inTransaction_ = false;
    return rolledBack;
}

std::string FMDatabase::lastErrorMessage() const
{
    return db_ ? sqlite3_errmsg(db_) : closedErrorMessage_;
}

int FMDatabase::lastErrorCode() const
{
    return db_ ? sqlite3_errcode(db_) : closedErrorCode_;
}

bool FMDatabase::hadError() const
{
    return lastErrorCode() != SQLITE_OK;
}

std::int64_t FMDatabase::lastInsertRowId()
{
    if (!readyForUse())
        return 0;
    const InUseScope scope(inUse_);
    return sqlite3_last_insert_rowid(db_);
}

int FMDatabase::changes()
{
    if (!db_) {
        complainNotOpen();
        return 0;
    }
    return sqlite3_changes(db_);
}

std::string FMDatabase::sqliteLibVersion()
{
    return sqlite3_libversion();
}

bool FMDatabase::setKey(std::string_view)
{
    return false;
}

bool FMDatabase::rekey(std::string_view)
{
    return false;
}

void FMDatabase::compainAboutInUse()
{
    const std::string message = fmt::format("The FMDatabase {} is currently in use.", description());
    base::log(message);
    if (crashOnErrors_)
        throw base::AssertionFailure(message);
}

void FMDatabase::setShouldCacheStatements(bool shouldCacheStatements)
{
    shouldCacheStatements_ = shouldCacheStatements;
    if (!shouldCacheStatements_)
        cachedStatements_.reset();
    else if (!cachedStatements_)
        cachedStatements_.emplace();
}

std::shared_ptr<FMStatement> FMDatabase::cachedStatementForQuery(std::string_view query) const
{
    if (!cachedStatements_)
        return nullptr;
    const auto found = cachedStatements_->find(query);
    return found == cachedStatements_->end() ? nullptr : found->second;
}

void FMDatabase::setCachedStatementForQuery(std::shared_ptr<FMStatement> statement, std::string_view query)
{
    if (!statement) {
        if (cachedStatements_) {
            if (const auto found = cachedStatements_->find(query); found != cachedStatements_->end())
                cachedStatements_->erase(found);
        }
        return;
    }
    std::string key(query);
    statement->setQuery(key);
    if (cachedStatements_)
        cachedStatements_->insert_or_assign(std::move(key), std::move(statement));
}

void FMDatabase::clearCachedStatements()
{
    if (!cachedStatements_)
        return;
    for (const auto& [query, statement] : *cachedStatements_)
        statement->close();
    cachedStatements_->clear();
}

const FMDatabase::CachedStatements* FMDatabase::cachedStatements() const
{
    return cachedStatements_ ? &*cachedStatements_ : nullptr;
}

std::string FMDatabase::description() const
{
    return fmt::format("<FMDatabase: {}>", fmt::ptr(this));
}

bool FMDatabase::readyForUse()
{
    if (inUse_) {
        compainAboutInUse();
        return false;
    }
    if (!db_) {
        complainNotOpen();
        return false;
    }
    return true;
}

void FMDatabase::complainNotOpen()
{
    base::logf("The FMDatabase {} is not open.", description());
    rememberClosedError(SQLITE_MISUSE, "database is not open");
}

void FMDatabase::rememberClosedError(int code, std::string message)
{
    closedErrorCode_ = code;
    closedErrorMessage_ = std::move(message);
}

std::shared_ptr<FMStatement> FMDatabase::reusableCachedStatement(std::string_view sql) const
{
    if (!shouldCacheStatements_)
        return nullptr;
    std::shared_ptr<FMStatement> statement = cachedStatementForQuery(sql);
    if (!statement || !statement->statement())
        return nullptr;
    // A result set still reading it keeps it; this call prepares its own.
    const bool held = std::ranges::any_of(resultSets_, [&](const std::weak_ptr<FMResultSet>& reference) {
        const std::shared_ptr<FMResultSet> resultSet = reference.lock();
        return resultSet && resultSet->statement() == statement;
    });
    return held ? nullptr : statement;
}

FMDatabase::Preparation FMDatabase::prepare(std::string_view sql, std::string_view operation)
{
    // Longer texts than SQLite accepts are cut, and then refused by SQLite.
    const int length = static_cast<int>(std::min<std::size_t>(sql.size(), INT_MAX));
    sqlite3_stmt* handle = nullptr;
    FMBusyRetry retry(busyRetryTimeout_, busyRetryPause_);
    int rc = SQLITE_OK;
    do {
        rc = sqlite3_prepare_v2(db_, sql.data(), length, &handle, nullptr);
    } while (retry.again(rc));
    if (retry.gaveUp()) {
        FMBusyRetry::logGiveUp(operation, __LINE__, databasePath_);
        sqlite3_finalize(handle);
        return { nullptr, true };
    }
    if (rc != SQLITE_OK) {
        const std::string error = fmt::format("DB Error: {} \"{}\"", lastErrorCode(), lastErrorMessage());
        if (logsErrors_) {
            base::log(error);
            base::logf("DB Query: {}", sql);
        }
        sqlite3_finalize(handle);
        if (logsErrors_ && crashOnErrors_)
            throw base::AssertionFailure(error);
        return { nullptr, true };
    }
    if (!handle)
        return {};

    auto statement = std::make_shared<FMStatement>();
    statement->setStatement(handle);
    forgetExpired(statements_);
    statements_.push_back(statement);
    return { std::move(statement), false };
}

bool FMDatabase::bindArguments(
    FMStatement& statement, std::span<const FMValue> arguments, std::string_view sql, Binding binding)
{
    sqlite3_stmt* handle = statement.statement();
    const int count = sqlite3_bind_parameter_count(handle);
    if (static_cast<std::size_t>(count) != arguments.size()) {
        base::logf(
            "Error binding arguments: the statement takes {} but {} were given", count, arguments.size());
        base::logf("DB Query: {}", sql);
        return false;
    }
    for (int index = 1; index <= count; ++index) {
        const FMValue& argument = arguments[index - 1];
        if (traceExecution_)
            base::logf("obj: {}", argument.description());
        const int rc = bindObjectToColumnInStatement(argument, index, handle, binding);
        if (rc != SQLITE_OK) {
            base::logf("Error binding argument {} ({}: {})", index, rc, sqlite3_errmsg(db_));
            base::logf("DB Query: {}", sql);
            return false;
        }
    }
    return true;
}

int FMDatabase::bindObjectToColumnInStatement(
    const FMValue& object, int index, sqlite3_stmt* statement, Binding binding)
{
    const sqlite3_destructor_type lifetime = binding == Binding::Copy ? SQLITE_TRANSIENT : SQLITE_STATIC;
    switch (object.kind()) {
    case FMValue::Kind::Null:
        return sqlite3_bind_null(statement, index);
    case FMValue::Kind::Data:
        // An empty buffer may have no address, which SQLite would bind as NULL.
        if (object.data().empty())
            return sqlite3_bind_zeroblob(statement, index, 0);
        return sqlite3_bind_blob64(statement, index, object.data().data(), object.data().size(), lifetime);
    case FMValue::Kind::Date:
        return sqlite3_bind_double(statement, index, object.date().time_since_epoch().count());
    case FMValue::Kind::Bool:
        return sqlite3_bind_int(statement, index, object.boolValue() ? 1 : 0);
    case FMValue::Kind::Int32:
        return sqlite3_bind_int64(statement, index, object.int32Value());
    case FMValue::Kind::Float:
        return sqlite3_bind_double(statement, index, static_cast<double>(object.floatValue()));
    case FMValue::Kind::Double:
        return sqlite3_bind_double(statement, index, object.doubleValue());
    case FMValue::Kind::Text:
        // Bound with its length, so a NUL inside the text does not cut it.
        return sqlite3_bind_text64(
            statement, index, object.text().data(), object.text().size(), lifetime, SQLITE_UTF8);
    case FMValue::Kind::Int64:
    case FMValue::Kind::UInt64: {
        const std::string digits = object.description();
        return sqlite3_bind_text64(
            statement, index, digits.data(), digits.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    }
    return SQLITE_MISUSE;
}

int FMDatabase::finishStatement(FMStatement& statement, bool cached)
{
    if (!cached)
        return statement.close();
    const int rc = statement.reset();
    // Statically bound arguments are gone once the call returns.
    sqlite3_clear_bindings(statement.statement());
    return rc;
}

void FMDatabase::adoptResultSet(const std::shared_ptr<FMResultSet>& resultSet)
{
    forgetExpired(resultSets_);
    resultSets_.push_back(resultSet);
}

void FMDatabase::closeResultSets()
{
    for (const std::weak_ptr<FMResultSet>& reference : std::exchange(resultSets_, {})) {
        const std::shared_ptr<FMResultSet> resultSet = reference.lock();
        if (resultSet && resultSet->parentDB() == this)
            resultSet->close();
    }
}

void FMDatabase::closeStatements()
{
    for (const std::weak_ptr<FMStatement>& reference : std::exchange(statements_, {})) {
        if (const std::shared_ptr<FMStatement> statement = reference.lock())
            statement->close();
    }
}

} // namespace fmdb
