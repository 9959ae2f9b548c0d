#pragma once

#include "CGGeometry.h"

#include <optional>
#include <string>
#include <vector>

// What the vantry command line asks for.
struct GameOptions {
    // Where fixes come from: "default", "nmea:FILE", "gpx:FILE" or
    // "walker[:LAT,LON]".
    std::string position = "default";
    // File sources and the walker run this many times faster.
    double speed = 1;
    // The window's size in points.
    CGSize size = CGSizeMake(360, 720);
    // "host:port" or "https://host"; empty: the program's default.
    std::string tileHost;
    // The game server; empty: $VANTRY_SERVER, else the game's own.
    std::string server;
    // 0: the scheme's default (443 for play, 80 for pictures).
    int playPort = 0;
    int imagePort = 0;
    // A PEM file of one more certificate authority to trust.
    std::string caFile;
    std::optional<std::string> playerKey;
    // Print a line on standard output whenever the score or level changes.
    bool reportProgress = false;
    // Write a picture of the window after `after` seconds, then exit.
    std::string screenshot;
    std::optional<double> after;
};

// Reads vantry's arguments (without the program name). On a mistake returns
// none and sets `error` to a sentence naming it.
std::optional<GameOptions> parseGameOptions(const std::vector<std::string>& arguments, std::string& error);
