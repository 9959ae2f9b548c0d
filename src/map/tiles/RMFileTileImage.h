#pragma once

#include "RMTileImage.h"

#include <string>

// A tile image whose picture is read from a file at construction; without
// a picture when the file cannot be read or decoded (nothing is logged).
class RMFileTileImage : public RMTileImage {
public:
    RMFileTileImage(RMTile tile, const std::string& path);

protected:
    std::string_view className() const override { return "RMFileTileImage"; }
};
