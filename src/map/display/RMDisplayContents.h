#pragma once

#include "CGGeometry.h"

class RMMercatorToScreenProjection;
class RMMercatorToTileProjection;
class RMTileImageSet;

// What the display parts (the tile loader, the renderers, the layer set)
// need from the map they show, and nothing more. RMMapContents implements
// it; the parts keep a plain pointer (not owned) to it. Main thread only.
class RMDisplayContents {
public:
    // The camera: projected metres to screen points, and the screen bounds;
    // null while there is none.
    virtual const RMMercatorToScreenProjection* mercatorToScreenProjection() const = 0;
    // The tile grid of the current tile source; null without a source.
    virtual const RMMercatorToTileProjection* mercatorToTileProjection() const = 0;
    // The zoom limits (float zoom levels).
    virtual float minZoom() const = 0;
    virtual float maxZoom() const = 0;
    // The whole zoom level of the tiles shown, which matches the panel's
    // pixels rather than the points.
    virtual float tileZoom() const = 0;
    // The tile images on screen; null while there are none yet.
    virtual RMTileImageSet* imagesOnScreen() const = 0;
    // Tiles covering `rect` (screen points) have just been placed.
    virtual void tilesUpdatedRegion(CGRect rect) = 0;

protected:
    ~RMDisplayContents() = default;
};
