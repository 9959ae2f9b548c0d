#include "PostgresServer.h"

#include "LoopbackPort.h"

#include <fmt/format.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <pwd.h>
#include <unistd.h>

namespace vantry::test {

namespace {

constexpr const char* kServerUser = "postgres";

std::string output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        ::pclose(pipe);
    }
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::string fileText(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

} // namespace

PostgresServer::PostgresServer()
    : binaries_(output("pg_config --bindir"))
    , port_(freeLoopbackPort())
{
    if (binaries_.empty())
        throw std::runtime_error("PostgreSQL is not installed (no pg_config)");
    if (::geteuid() == 0) {
        const passwd* user = ::getpwnam(kServerUser);
        if (!user || ::chown(folder_.path().c_str(), user->pw_uid, user->pw_gid) != 0)
            throw std::runtime_error("cannot hand the PostgreSQL folder to the postgres user");
        asServerUser_ = fmt::format("runuser -u {} -- ", kServerUser);
    }
    run(fmt::format("{}{}/initdb -D {} -A trust -U vantry -E UTF8 --no-sync", asServerUser_, binaries_,
            folder_.file("cluster")),
        "initdb");
    start();
}

PostgresServer::~PostgresServer()
{
    if (running_)
        std::system(fmt::format("{}{}/pg_ctl -D {} -m immediate -w stop >/dev/null 2>&1", asServerUser_,
            binaries_, folder_.file("cluster"))
                        .c_str());
}

std::string PostgresServer::uri(std::string_view database) const
{
    return fmt::format("postgresql://vantry@127.0.0.1:{}/{}", port_, database);
}

std::string PostgresServer::createDatabase(std::string_view name)
{
    run(fmt::format("{}/createdb -h 127.0.0.1 -p {} -U vantry {}", binaries_, port_, name), "createdb");
    return uri(name);
}

void PostgresServer::stop()
{
    run(fmt::format("{}{}/pg_ctl -D {} -m fast -w stop", asServerUser_, binaries_, folder_.file("cluster")),
        "pg_ctl stop");
    running_ = false;
}

void PostgresServer::start()
{
    run(fmt::format("{}{}/pg_ctl -D {} -l {} -w -o \"-p {} -k {} -c listen_addresses=127.0.0.1 -c fsync=off "
                    "-c synchronous_commit=off -c full_page_writes=off\" start",
            asServerUser_, binaries_, folder_.file("cluster"), folder_.file("server.log"), port_,
            folder_.path()),
        "pg_ctl start");
    running_ = true;
}

void PostgresServer::run(const std::string& command, std::string_view what) const
{
    const std::string log = folder_.file("command.log");
    if (std::system((command + " >" + log + " 2>&1").c_str()) != 0)
        throw std::runtime_error(fmt::format(
            "PostgreSQL's {} failed: {}{}", what, fileText(log), fileText(folder_.file("server.log"))));
}

} // namespace vantry::test
