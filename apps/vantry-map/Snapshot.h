#pragma once

#include "SnapshotOptions.h"

// Exit statuses of `vantry-map snapshot`.
inline constexpr int kSnapshotWritten = 0;
inline constexpr int kSnapshotNotWritten = 1;
// No tile could be loaded: the tile server cannot be reached, or answers
// with no tiles.
inline constexpr int kNoTileLoaded = 3;
inline constexpr int kTilesTimedOut = 4;

// Builds a map view with the default OpenStreetMap source (through the
// cache chain and the tile database), centres and zooms it, places the
// markers, waits until every tile on screen has loaded or failed (with a
// progress line on stderr), then paints the layer tree into the PNG file.
// Needs a Qt application. Returns one of the statuses above.
int runSnapshot(const SnapshotOptions& options);
