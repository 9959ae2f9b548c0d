#pragma once

namespace platform {

// What hosts a layer tree on screen (a View) and repaints it. The root layer
// of a hosted tree points to its host; any change in the tree that shows on
// screen tells the host, which coalesces such calls into one repaint.
// The host is never owned by the tree and detaches itself before it dies.
class LayerHost {
public:
    // Something in the hosted tree changed how it looks. Called once per
    // change, possibly many times per event-loop turn, so it must be cheap.
    virtual void layerTreeChanged() = 0;

protected:
    ~LayerHost() = default;
};

} // namespace platform
