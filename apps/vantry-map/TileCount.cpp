#include "TileCount.h"

#include "RMTileImage.h"
#include "RMTileImageSet.h"
#include "RMWebTileImage.h"

TileCount countTiles(const RMTileImageSet& images)
{
    TileCount count;
    for (const auto& image : images.images()) {
        ++count.total;
        const auto* web = dynamic_cast<const RMWebTileImage*>(image.get());
        if (!web || !web->connection()) {
            ++count.loaded;
        } else if (!web->proxy()) {
            ++count.failed;
            count.answered += web->answerStatus() != 0 ? 1 : 0;
        }
    }
    return count;
}
