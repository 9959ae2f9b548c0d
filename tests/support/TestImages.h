#pragma once

#include "Data.h"

#include <QColor>
#include <QImage>

namespace vantry::test {

// Pictures for tests, drawn in memory.

// A picture of one colour (premultiplied ARGB, so colours with alpha work).
QImage makeSolidImage(int width, int height, const QColor& color);
// A 256-pixel map tile that tests can recognise: a background colour of its
// own (tileColor), grid lines every 64 pixels and its "z/x/y" in the middle.
QImage makeTileImage(int zoom, int x, int y);
// The background colour of makeTileImage for that tile.
QColor tileColor(int zoom, int x, int y);
// The picture's PNG file bytes.
platform::Data encodePng(const QImage& image);

} // namespace vantry::test
