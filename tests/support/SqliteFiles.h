#pragma once

#include <string>

struct sqlite3;

namespace vantry::test {

// A second connection straight over the C API, as another program holds one.
class OutsideConnection {
public:
    explicit OutsideConnection(const std::string& path);
    ~OutsideConnection();
    OutsideConnection(const OutsideConnection&) = delete;
    OutsideConnection& operator=(const OutsideConnection&) = delete;

    // The SQLite result code of running the statements.
    int exec(const std::string& sql);
    // The first column of the first row as text; empty when there is none.
    std::string scalar(const std::string& sql);

private:
    sqlite3* db_ = nullptr;
};

// The output of the sqlite3 command-line shell running `sql` on the file.
std::string runSqliteShell(const std::string& path, const std::string& sql);

} // namespace vantry::test
