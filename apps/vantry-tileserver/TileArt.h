#pragma once

#include "Data.h"

#include <QColor>
#include <QImage>

// Map tiles drawn in memory that show where they belong: the loopback tile
// server program and the tests' tile server both serve these.
namespace vantry::tileart {

// The side of a tile in pixels.
inline constexpr int kTileSide = 256;

// A 256-pixel tile: a background colour of its own (tileColor), black grid
// lines every 64 pixels (rows and columns 0, 64, 128 and 192) and its
// "z/x/y" in the middle (rows 100 to 155).
QImage makeTileImage(int zoom, int x, int y);
// The background colour of a tile: opaque, far from black, and different
// for neighbouring tiles.
QColor tileColor(int zoom, int x, int y);
// The picture's PNG file bytes.
platform::Data encodePng(const QImage& image);
// The PNG bytes of makeTileImage. Safe to call from any thread.
platform::Data tilePng(int zoom, int x, int y);

} // namespace vantry::tileart
