#pragma once

#include "VantryServer.h"

#include <string>
#include <string_view>
#include <vector>

// The command line of vantry-server.
struct ServerOptions {
    server::VantryServerSettings settings;
    bool help = false;
    bool seedGiven = false;
    // Instead of serving: every game to this file, or this file's games into the store ("-": standard
    // output or input).
    std::string exportTo;
    std::string importFrom;
    std::string error; // empty when the command line was understood
};

extern const std::string_view kServerUsage;

// Reads the arguments after the program name. Without --database, the database is $VANTRY_DATABASE
// if set. Without --data, the data folder is
// $XDG_DATA_HOME/vantry-server, else ~/.local/share/vantry-server. Without --seed the random seed is left
// to the caller.
ServerOptions parseServerOptions(const std::vector<std::string>& arguments);
