#include "PgConnection.h"

#include <libpq-fe.h>

#include <fmt/format.h>

namespace server {

namespace {
// libpq ends its messages with a line feed; a log line must not.
std::string oneLine(const char* message)
{
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    for (char& c : text) {
        if (c == '\n')
            c = ' ';
    }
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

PgConnection::PgConnection(pg_conn* connection)
    : connection_(connection)
{ }

PgConnection::~PgConnection()
{
    PQfinish(connection_);
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
        return std::nullopt;
    }
    error_.clear();
    return owned;
}

bool PgConnection::isBroken() const
{
    return PQstatus(connection_) != CONNECTION_OK;
}

} // namespace server
