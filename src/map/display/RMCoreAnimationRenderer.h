#pragma once

#include "RMMapRenderer.h"

#include <memory>
#include <string_view>

namespace platform {
class ScrollLayer;
}

// Shows every tile image as its own layer inside one clipping scroll layer
// at the contents' screen bounds, in the order the tiles arrived (later on
// top). Adding and removing tile layers is never animated; moving and
// scaling tiles moves their layers (the tile images do that themselves).
class RMCoreAnimationRenderer final : public RMMapRenderer,
                                      public RMTileImageSetDelegate::TileAdded,
                                      public RMTileImageSetDelegate::TileRemoved {
public:
    // Builds the scroll layer: anchor (0, 0), clipping, frame = the
    // contents' screen bounds, no action for "sublayers".
    explicit RMCoreAnimationRenderer(RMDisplayContents* content);
    ~RMCoreAnimationRenderer() override;

    std::shared_ptr<platform::Layer> layer() const override;
    // Ignores the argument: the layer's frame becomes the contents' current
    // screen bounds.
    void setFrame(CGRect frame) override;
    // A loaded tile puts its picture into its own layer: nothing to do.
    void mapImageLoaded() override;
    // Makes the image's layer and adds it on top of the tile layers.
    void tileAddedWithImage(RMTile tile, const std::shared_ptr<RMTileImage>& image) override;
    // Takes the layer of the tile's image (as the contents' image set holds
    // it) out of the tree; nothing when the set has no such image.
    void tileRemoved(RMTile tile) override;

protected:
    std::string_view className() const override { return "RMCoreAnimationRenderer"; }

private:
    std::shared_ptr<platform::ScrollLayer> layer_;
};
