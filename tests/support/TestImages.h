#pragma once

#include "Data.h"
#include "TileArt.h"

#include <QColor>
#include <QImage>

namespace vantry::test {

// Pictures for tests, drawn in memory.

// A picture of one colour (premultiplied ARGB, so colours with alpha work).
QImage makeSolidImage(int width, int height, const QColor& color);
// Map tiles that tests can recognise, as the loopback tile server program
// draws them (see TileArt.h).
using tileart::encodePng;
using tileart::makeTileImage;
using tileart::tileColor;

} // namespace vantry::test
