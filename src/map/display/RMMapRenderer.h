#pragma once

#include "CGGeometry.h"
#include "RMTileImageSetDelegate.h"

#include <memory>
#include <string>
#include <string_view>

class RMDisplayContents;

namespace platform {
class Layer;
}

// Turns the tile image set into something visible. This base draws
// nothing and has no layer; it listens for "MapImageLoaded" from any image
// and answers with setNeedsDisplay. The map contents own their renderer and
// make it the delegate of their tile image set. Main thread only.
class RMMapRenderer : public RMTileImageSetDelegate {
public:
    // `content` is not owned.
    explicit RMMapRenderer(RMDisplayContents* content);
    // Stops listening.
    ~RMMapRenderer() override;

    RMDisplayContents* content() const { return content_; }

    // Called by the contents after every move, zoom and jump. Nothing here.
    virtual void setNeedsDisplay();
    // A tile image applied its bytes ("MapImageLoaded"): setNeedsDisplay.
    virtual void mapImageLoaded();
    // The view's frame changed. Nothing here.
    virtual void setFrame(CGRect frame);
    // The layer that shows the tiles; null here.
    virtual std::shared_ptr<platform::Layer> layer() const;

    // "<ClassName: 0x…>"
    std::string description() const;

protected:
    virtual std::string_view className() const { return "RMMapRenderer"; }

private:
    RMDisplayContents* content_;
};
