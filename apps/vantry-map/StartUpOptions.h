#pragma once

#include "MapViewOptions.h"

#include <optional>
#include <string>
#include <vector>

// What `vantry-map start-up` was asked to open.
struct StartUpOptions {
    // The window's, as vantry-map without a command reads them.
    MapViewOptions map;
    // Seconds to wait for every tile on screen.
    double timeout = 30;
};

// Reads the arguments after "start-up": the shared options and --timeout.
// On a mistake returns none and sets `error` to a sentence naming it.
std::optional<StartUpOptions> parseStartUpOptions(
    const std::vector<std::string>& arguments, std::string& error);
