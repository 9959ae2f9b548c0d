#pragma once

#include "RMOptionalOperations.h"
#include "RMTile.h"

#include <memory>

class RMTileImage;

// What the tile image set tells about images entering and leaving the
// screen. Both operations are optional: a delegate implements one by also
// deriving from its interface below. The set asks which ones (`Operations`)
// when the delegate is set and never calls an operation the delegate lacks.
// Delegates are never owned by the set.
class RMTileImageSetDelegate {
public:
    RMTileImageSetDelegate() = default;
    virtual ~RMTileImageSetDelegate() = default;
    RMTileImageSetDelegate(const RMTileImageSetDelegate&) = delete;
    RMTileImageSetDelegate& operator=(const RMTileImageSetDelegate&) = delete;

    // A new image went on screen for `tile` (the tile that was asked for).
    class TileAdded {
    public:
        virtual void tileAddedWithImage(RMTile tile, const std::shared_ptr<RMTileImage>& image) = 0;

    protected:
        ~TileAdded() = default;
    };

    // The last reference to `tile` is about to go; its image is still in the
    // set while this runs.
    class TileRemoved {
    public:
        virtual void tileRemoved(RMTile tile) = 0;

    protected:
        ~TileRemoved() = default;
    };

    using Operations = RMOptionalOperations<TileAdded, TileRemoved>;
};
