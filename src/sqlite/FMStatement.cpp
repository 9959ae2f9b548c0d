#include "FMStatement.h"

#include <fmt/format.h>
#include <sqlite3.h>

namespace fmdb {

FMStatement::~FMStatement()
{
    close();
}

int FMStatement::close()
{
    if (!statement_)
        return SQLITE_OK;
    const int rc = sqlite3_finalize(statement_);
    statement_ = nullptr;
    return rc;
}

int FMStatement::reset()
{
    return statement_ ? sqlite3_reset(statement_) : SQLITE_OK;
}

int FMStatement::step()
{
    if (!statement_)
        return SQLITE_MISUSE;
    // Statements are prepared with sqlite3_prepare_v2 so that they prepare
    // themselves again after a schema change (the classic interface fails
    // the first statement run after another connection changed the schema).
    // Its detailed step results are folded back into the classic set.
    const int primary = sqlite3_step(statement_) & 0xff;
    switch (primary) {
    case SQLITE_ROW:
    case SQLITE_DONE:
    case SQLITE_BUSY:
    case SQLITE_MISUSE:
        return primary;
    default:
        return SQLITE_ERROR;
    }
}

void FMStatement::setStatement(sqlite3_stmt* statement)
{
    if (statement == statement_)
        return;
    close();
    statement_ = statement;
}

std::string FMStatement::description() const
{
    return fmt::format("<FMStatement: {}> {} hit(s) for query {}", fmt::ptr(this), useCount_, query_);
}

} // namespace fmdb
