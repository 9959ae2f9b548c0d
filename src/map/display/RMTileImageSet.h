#pragma once

#include "CGGeometry.h"
#include "RMTile.h"
#include "RMTileImageSetDelegate.h"

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

class RMTileImage;
class RMTileSource;

// The tile images placed on screen, counted per tile: two overlapping tile
// rectangles share one image, whose count is the number of add requests for
// its tile not yet matched by a remove. The tile loader adds the new
// rectangle before it removes the old one, so shared tiles never leave.
//
// When an image first goes on screen the delegate hears tileAddedWithImage
// and RMMapImageAddedToScreenNotification is posted; when its last
// reference is about to go, tileRemoved and
// RMMapImageRemovedFromScreenNotification (on which the image cancels its
// own loading), while the image is still in the set. Screen locations are
// in screen points. Main thread only.
class RMTileImageSet {
public:
    // Not owned; may be null.
    explicit RMTileImageSet(RMTileImageSetDelegate* delegate);
    // Removes every reference to every tile first, so the delegate (if any)
    // and the observers hear of each tile leaving.
    ~RMTileImageSet();
    RMTileImageSet(const RMTileImageSet&) = delete;
    RMTileImageSet& operator=(const RMTileImageSet&) = delete;

    RMTileImageSetDelegate* delegate() const { return delegate_; }
    // Not owned. Which optional operations it implements is asked here.
    void setDelegate(RMTileImageSetDelegate* delegate);
    const std::shared_ptr<RMTileSource>& tileSource() const { return tileSource_; }
    // A different source first takes every image of the old one off screen
    // (removeAllTiles).
    void setTileSource(std::shared_ptr<RMTileSource> tileSource);

    // Adds one reference to each tile of `rect` (rounded to whole tiles:
    // w columns and h + 1 rows, rows outside the grid skipped, columns
    // wrapped around the world) placed so that the rectangle fills `bounds`.
    // Returns the screen rectangle the w by h tiles cover. Neighbouring
    // tiles abut exactly: their places lie on a grid of 1/256 point. When
    // several columns wrap onto one tile, its image is placed in the first
    // and shows in the others as wrapped copies (RMTileImage).
    CGRect addTilesToDisplayIn(RMTileRect rect, CGRect bounds);
    // A stored tile gets one more reference and the new place; otherwise
    // the tile source's image (if any) is stored with addTileWithImageAt.
    // A tile the source has no image for still gets its reference (so that
    // adds and removes stay paired) but counts as no image; the next add
    // asks the source again.
    void addTileAt(RMTile tile, CGRect screenLocation);
    // Places and stores a new image (count 1), then tells the delegate and
    // posts RMMapImageAddedToScreenNotification. An image of a tile already
    // stored only adds a reference to the stored one and moves it; an image
    // of the dummy tile is placed but not stored.
    void addTileWithImageAt(RMTile tile, const std::shared_ptr<RMTileImage>& image, CGRect screenLocation);
    // Removes the references addTilesToDisplayIn added for the same rectangle.
    void removeTiles(RMTileRect rect);
    // Removes one reference; tiles not stored are ignored. Throws
    // base::AssertionFailure "attempted to remove dummy tile" for the
    // dummy tile, leaving the set unchanged.
    void removeTile(RMTile tile);
    // Removes every reference to every tile: one tileRemoved and one
    // notification per tile.
    void removeAllTiles();

    // The stored image of the tile, or null.
    std::shared_ptr<RMTileImage> imageWithTile(RMTile tile) const;
    // Distinct images stored.
    std::size_t count() const;
    // References held for the tile (0 when not stored), with or without an
    // image.
    std::size_t referenceCount(RMTile tile) const;
    // The stored images, in no particular order.
    std::vector<std::shared_ptr<RMTileImage>> images() const;

    // Moves / scales every image's screen location (and layer).
    void moveBy(CGSize delta);
    void zoomByFactorNear(float factor, CGPoint pivot);
    // Tells every image to stop loading.
    void cancelLoading();
    // Logs "Biggest seam right: <r>  down: <d>": the largest gap between an
    // image and its nearest neighbour to the east and to the south (0 for a
    // perfect grid, negative for overlaps).
    void printDebuggingInformation() const;

private:
    struct Entry {
        // Null while the source had no image for the tile.
        std::shared_ptr<RMTileImage> image;
        std::size_t count = 0;
    };
    struct TileHash {
        std::size_t operator()(const RMTile& tile) const;
    };

    RMTileImageSetDelegate* delegate_ = nullptr;
    RMTileImageSetDelegate::Operations delegateHas_;
    std::shared_ptr<RMTileSource> tileSource_;
    std::unordered_map<RMTile, Entry, TileHash> images_;
};
