#pragma once

#include "CGGeometry.h"
#include "RMTile.h"

#include <cstdint>

class RMDisplayContents;

// Decides when the tiles on screen must be renewed, and renews them. It
// remembers the screen rectangle the loaded tiles cover (moved and scaled
// along with the images) and their zoom level; only when that rectangle no
// longer covers the screen or the tile zoom changed does it ask the tile
// image set to add the tiles now covering the screen and then remove the
// previous ones, so tiles on screen before and after stay.
//
// While RMExpensiveOperations::allowed() is off, an update waits
// for RMResumeExpensiveOperations (one registration however many updates
// wait). The loader unregisters when destroyed, so it is never called back
// afterwards. Screen rectangles are in screen points. Main thread only.
class RMTileLoader {
public:
    // `content` is not owned and may be null (then updates do nothing).
    explicit RMTileLoader(RMDisplayContents* content = nullptr);
    ~RMTileLoader();
    RMTileLoader(const RMTileLoader&) = delete;
    RMTileLoader& operator=(const RMTileLoader&) = delete;

    // The loaded bounds become the zero rectangle; tiles and zoom stay.
    void clearLoadedBounds();
    // Whether the loaded bounds contain the whole screen and the contents'
    // tile zoom is the loaded zoom. Throws base::AssertionFailure
    // "target zoom <z> is outside of RMMapContents limits <min> to <max>"
    // when that tile zoom lies outside the contents' zoom limits (rounded to
    // whole levels as tile zooms are).
    bool screenIsLoaded() const;
    // Renews the tiles on screen when the screen is not loaded.
    void updateLoadedImages();
    // The images have moved / been scaled by the contents already: the
    // loaded bounds follow, then an update.
    void moveBy(CGSize delta);
    void zoomByFactorNear(float factor, CGPoint pivot);
    // A full renewal: clears the loaded bounds, then updates.
    void reload();
    // The tile image set was emptied: nothing counts as loaded any more (the
    // next update removes nothing).
    void forgetLoadedTiles();

    bool suppressLoading() const { return suppressLoading_; }
    // While true, updates do nothing; setting false updates.
    void setSuppressLoading(bool suppress);

    uint32_t loadedZoom() const { return loadedZoom_; }
    CGRect loadedBounds() const { return loadedBounds_; }
    // The origin tile is the dummy tile until the first load.
    RMTileRect loadedTiles() const { return loadedTiles_; }
    // Whether an update waits for RMResumeExpensiveOperations.
    bool isWaitingForResume() const { return waitingForResume_; }

private:
    void stopWaitingForResume();

    RMDisplayContents* content_;
    CGRect loadedBounds_;
    uint32_t loadedZoom_ = 0;
    RMTileRect loadedTiles_;
    bool suppressLoading_ = false;
    bool waitingForResume_ = false;
};
