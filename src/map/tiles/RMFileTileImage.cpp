#include "RMFileTileImage.h"

RMFileTileImage::RMFileTileImage(RMTile tile, const std::string& path)
    : RMTileImage(tile)
{
    setImage(platform::Image::fromFile(path));
}
