#include "SqliteFiles.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>

namespace vantry::test {

OutsideConnection::OutsideConnection(const std::string& path)
{
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK)
        ADD_FAILURE() << "cannot open " << path << ": " << sqlite3_errmsg(db_);
}

OutsideConnection::~OutsideConnection()
{
    sqlite3_close(db_);
}

int OutsideConnection::exec(const std::string& sql)
{
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
}

std::string OutsideConnection::scalar(const std::string& sql)
{
    sqlite3_stmt* statement = nullptr;
    std::string text;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW) {
        if (const unsigned char* value = sqlite3_column_text(statement, 0))
            text = reinterpret_cast<const char*>(value);
    }
    sqlite3_finalize(statement);
    return text;
}

std::string runSqliteShell(const std::string& path, const std::string& sql)
{
    const std::string command = std::string(VANTRY_SQLITE3_SHELL) + " -batch '" + path + "' \"" + sql + "\"";
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return {};
    std::string output;
    std::array<char, 256> buffer {};
    while (const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), pipe.get()))
        output.append(buffer.data(), read);
    return output;
}

} // namespace vantry::test
