#include "ServerOptions.h"

#include <charconv>
#include <cstdlib>

const std::string_view kServerUsage
    = R"(usage: vantry-server [--host ADDRESS] [--play-port N] [--image-port N] [--data DIR]
                     [--database URI] [--cert FILE --key FILE] [--seed N] [--fastest M]
                     [--connections N] [--connections-per-address N]
       vantry-server [--data DIR | --database URI] --export FILE | --import FILE

The Vantry game server. Players' clients post the points they reached to
"POST /api/play" over HTTPS and get back the game around them; the pictures
of the game's objects are served over plain HTTP under "/img/NAME.png" on a
port of their own (and on the play port as well). The rules of the game are
in docs/game-rules.md.

Options:
  --host ADDRESS    the address both ports listen on: 127.0.0.1 (the
                    default), 0.0.0.0 or :: for every interface, or a name
  --play-port N     the HTTPS port of the play endpoint (default 8443;
                    0: any free port)
  --image-port N    the plain-HTTP port of the pictures (default 8080;
                    0: any free port)
  --data DIR        where the players database (players.sqlite) and the
                    server's own certificates live; made owner-only when
                    missing (default $XDG_DATA_HOME/vantry-server, else
                    ~/.local/share/vantry-server)
  --database URI    keep the games in this PostgreSQL database instead
                    (a libpq URI: postgresql://USER@HOST:PORT/NAME; the
                    password in ~/.pgpass or PGPASSWORD), which any number
                    of servers may share behind a load balancer; default
                    $VANTRY_DATABASE. The server makes its tables itself and
                    waits for a database that does not answer at start
  --export FILE     write every game to FILE ("-": standard output), a
                    line of JSON each, and exit
  --import FILE     store every game of FILE ("-": standard input), written
                    by --export, over what the store holds under its key,
                    and exit; nothing is stored unless every line is a game.
                    --export from one store and --import into the other
                    moves the games between SQLite and PostgreSQL
  --cert FILE       the server's certificate chain (PEM) ...
  --key FILE        ... and its private key (PEM); give both or neither.
                    Without them the server makes its own certificate
                    authority on its first start (ca.pem, ca-key.pem in the
                    data folder) and a certificate for the host from it
                    (server.pem, server-key.pem); give ca.pem to the game
                    client (--ca-file) so that it trusts the server
  --seed N          places the game objects the same way on every run
                    (0 to 18446744073709551615; default: a random seed)
  --fastest M       the speed no player can beat, in metres a second (fair
                    play: points farther than that from the last one are
                    ignored; default 12, a sprinter's pace)
  --connections N   connections open at once, in all (default 10000; the
                    descriptor limit is raised to match when it can be)
  --connections-per-address N
                    connections open at once from one address (default 64;
                    more for a load balancer or a test driver in front)
  --help            show this text

Once listening it prints "listening on https://ADDRESS:PORT" (play) and
"listening on http://ADDRESS:PORT" (pictures) on standard output, and the
certificate authority's file when it uses its own. SIGINT or SIGTERM stops
it cleanly: answers being written are finished, every game answered is
already saved. Exit status 0 after a stop, 1 when it cannot start, 2 for
a usage error.
)";

namespace {
bool readPort(const std::string& text, int& port)
{
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, port);
    return error == std::errc {} && stop == end && port >= 0 && port <= 65535;
}

std::string defaultDataFolder()
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        return std::string(data) + "/vantry-server";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/share/vantry-server";
    return "vantry-server-data";
}
} // namespace

ServerOptions parseServerOptions(const std::vector<std::string>& arguments)
{
    ServerOptions options;
    server::VantryServerSettings& settings = options.settings;
    const auto fail = [&options](std::string message) {
        options.error = std::move(message);
        return options;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help") {
            options.help = true;
            return options;
        }
        const bool takesValue = argument == "--host" || argument == "--play-port"
            || argument == "--image-port" || argument == "--data" || argument == "--cert"
            || argument == "--key" || argument == "--seed" || argument == "--fastest"
            || argument == "--connections" || argument == "--connections-per-address"
            || argument == "--database" || argument == "--export" || argument == "--import";
        if (!takesValue)
            return fail("unknown argument " + argument);
        if (i + 1 >= arguments.size())
            return fail(argument + " needs a value");
        const std::string& value = arguments[++i];
        if (argument == "--host") {
            if (value.empty())
                return fail("--host needs an address");
            settings.host = value;
        } else if (argument == "--play-port" || argument == "--image-port") {
            if (!readPort(value, argument == "--play-port" ? settings.playPort : settings.imagePort))
                return fail("the port must be a number from 0 to 65535");
        } else if (argument == "--data") {
            settings.dataFolder = value;
        } else if (argument == "--database") {
            if (value.empty())
                return fail("--database needs a PostgreSQL URI");
            settings.database = value;
        } else if (argument == "--export" || argument == "--import") {
            if (value.empty())
                return fail(argument + " needs a file");
            (argument == "--export" ? options.exportTo : options.importFrom) = value;
        } else if (argument == "--cert") {
            settings.certificate = value;
        } else if (argument == "--key") {
            settings.privateKey = value;
        } else if (argument == "--connections" || argument == "--connections-per-address") {
            std::size_t& limit = argument == "--connections" ? settings.limits.connections
                                                             : settings.limits.connectionsPerAddress;
            const char* end = value.data() + value.size();
            const auto [stop, error] = std::from_chars(value.data(), end, limit);
            if (error != std::errc {} || stop != end || limit == 0 || limit > 1000000)
                return fail(argument + " takes a whole number from 1 to 1000000");
        } else if (argument == "--fastest") {
            const char* end = value.data() + value.size();
            const auto [stop, error] = std::from_chars(value.data(), end, settings.fastest);
            if (error != std::errc {} || stop != end || !(settings.fastest > 0 && settings.fastest <= 1e6))
                return fail("--fastest takes a speed in metres a second, above 0 and at most 1000000");
        } else {
            const char* end = value.data() + value.size();
            const auto [stop, error] = std::from_chars(value.data(), end, settings.seed);
            if (error != std::errc {} || stop != end)
                return fail("--seed takes a whole number from 0 to 18446744073709551615");
            options.seedGiven = true;
        }
    }
    if (settings.certificate.empty() != settings.privateKey.empty())
        return fail("--cert and --key go together");
    if (settings.playPort != 0 && settings.playPort == settings.imagePort)
        return fail("the play port and the image port must differ");
    if (!options.exportTo.empty() && !options.importFrom.empty())
        return fail("--export and --import go one at a time");
    if (settings.dataFolder.empty())
        settings.dataFolder = defaultDataFolder();
    if (const char* database = std::getenv("VANTRY_DATABASE"); settings.database.empty() && database)
        settings.database = database;
    return options;
}
