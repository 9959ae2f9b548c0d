#include "PgConnection.h"

#include <libpq-fe.h>

#include <fmt/format.h>

#include <cstdlib>

namespace server {

namespace {
// libpq writes its messages over several lines, some indented; a log line is one line.
std::string oneLine(const char* message)
{
    std::string text;
    for (const char* c = message ? message : ""; *c; ++c) {
        const bool space = *c == '\n' || *c == '\t' || *c == ' ';
        if (!space)
            text += *c;
        else if (!text.empty() && text.back() != ' ')
            text += ' ';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}
} // namespace

PgResult::PgResult(pg_result* result)
    : result_(result, PQclear)
{ }

int PgResult::rows() const
{
    return PQntuples(result_.get());
}

std::optional<std::string_view> PgResult::value(int row, int column) const
{
    if (row < 0 || row >= rows() || column < 0 || column >= PQnfields(result_.get())
        || PQgetisnull(result_.get(), row, column))
        return std::nullopt;
    return std::string_view(PQgetvalue(result_.get(), row, column),
        static_cast<std::size_t>(PQgetlength(result_.get(), row, column)));
}

long long PgResult::affectedRows() const
{
    const char* count = PQcmdTuples(result_.get());
    return count && *count ? std::atoll(count) : 0;
}

PgConnection::PgConnection(pg_conn* connection)
    : connection_(connection)
{ }

PgConnection::~PgConnection()
{
    PQfinish(connection_);
}

std::string PgConnection::describe(std::string_view uri)
{
    char* problem = nullptr;
    PQconninfoOption* options = PQconninfoParse(std::string(uri).c_str(), &problem);
    if (!options) {
        PQfreemem(problem);
        return "an unreadable database URI";
    }
    std::string host = "localhost", port = "5432", database;
    for (PQconninfoOption* option = options; option->keyword; ++option) {
        if (!option->val)
            continue;
        const std::string_view keyword = option->keyword;
        if (keyword == "host" || keyword == "hostaddr")
            host = option->val;
        else if (keyword == "port")
            port = option->val;
        else if (keyword == "dbname")
            database = option->val;
    }
    PQconninfoFree(options);
    return fmt::format("postgresql://{}:{}/{}", host, port, database);
}

std::unique_ptr<PgConnection> PgConnection::open(std::string_view uri, std::chrono::seconds patience,
    std::chrono::milliseconds statementTimeout, std::string& failure)
{
    const std::string dbname(uri);
    const std::string timeout = std::to_string(std::max<long long>(1, patience.count()));
    // The server's own statement limit, so that a slow database fails a request instead of holding it.
    const std::string options = fmt::format("-c statement_timeout={}", statementTimeout.count());
    const char* keys[] = { "dbname", "connect_timeout", "options", "application_name", nullptr };
    const char* values[] = { dbname.c_str(), timeout.c_str(), options.c_str(), "vantry-server", nullptr };
    pg_conn* connection = PQconnectdbParams(keys, values, 1);
    if (!connection) {
        failure = "out of memory";
        return nullptr;
    }
    if (PQstatus(connection) != CONNECTION_OK) {
        failure = oneLine(PQerrorMessage(connection));
        PQfinish(connection);
        return nullptr;
    }
    return std::unique_ptr<PgConnection>(new PgConnection(connection));
}

std::optional<PgResult> PgConnection::run(
    std::string_view sql, const std::vector<std::optional<std::string>>& parameters)
{
    std::vector<const char*> values;
    values.reserve(parameters.size());
    for (const auto& parameter : parameters)
        values.push_back(parameter ? parameter->c_str() : nullptr);
    const std::string statement(sql);
    pg_result* result = PQexecParams(connection_, statement.c_str(), static_cast<int>(values.size()), nullptr,
        values.data(), nullptr, nullptr, 0);
    PgResult owned(result);
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        error_ = oneLine(result ? PQresultErrorMessage(result) : PQerrorMessage(connection_));
        const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        retryable_ = state && (std::string_view(state) == "40001" || std::string_view(state) == "40P01");
        return std::nullopt;
    }
    error_.clear();
    retryable_ = false;
    return owned;
}

bool PgConnection::isBroken() const
{
    return PQstatus(connection_) != CONNECTION_OK;
}

} // namespace server
