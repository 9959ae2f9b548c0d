#pragma once

#include "Image.h"
#include "StartUpOptions.h"

#include <vector>

// Exit statuses of `vantry-map start-up`.
inline constexpr int kStartUpDrawn = 0;
inline constexpr int kStartUpTimedOut = 4;

// Opens the map window as vantry-map does (`markerPictures` holds one
// picture per option marker), runs until a frame has drawn every tile on
// screen, then prints "first full frame: <W>x<H> points, <N> tiles, <T> ms
// after start", the time counted from `launchedAt` (Clock time), and
// returns. Needs a Qt application.
int runStartUp(
    const StartUpOptions& options, const std::vector<platform::Image>& markerPictures, double launchedAt);
