#pragma once

class QPainter;

namespace platform {

class Layer;

// Paints layer trees: for each visible layer its background colour, its
// picture scaled to its bounds, its own drawing (Layer::drawInContext),
// then its sublayers in order (clipped to its bounds when it masks to
// them), with running scale animations sampled at the given time.
//
// Pictures land on whole device pixels, each edge on the nearest one
// (halves go right and down), so neighbours abut without gap or overlap. A
// picture drawn at its own size in device pixels is copied without
// resampling; another is resampled smoothly to the whole pixels it covers,
// and that copy is kept with the layer while the size stays
// (ScaledPicture): a map at a fractional zoom, or on a panel of 2 or 3
// pixels per point, costs a copy per tile and frame. The painter's device
// pixel ratio is the panel's. Nothing else is allocated per layer.
class Compositor {
public:
    // How pictures drawn at a size other than their own are resampled.
    enum class Resampling {
        // Smoothly (a snapshot, a picture to keep).
        Smooth,
        // Smoothly, except a large picture whose size changed since it was
        // drawn less than kRestInterval before (a pinch resizes every tile
        // on every frame): that one is drawn by the nearest pixel, from its
        // smooth copy of an earlier size when there is one, which costs
        // about a copy. For frames on screen.
        FastWhileResizing,
    };
    // Seconds a picture keeps its size before it counts as at rest.
    static constexpr double kRestInterval = 0.15;

    // Paints `root` as a sublayer of the painter's coordinate space: its
    // position is a point of the painter's current coordinates, which may
    // be scaled and translated (not rotated). `time` is Clock time. Returns
    // whether a picture was drawn by the nearest pixel: painting the same
    // tree again kRestInterval later draws it smoothly.
    static bool paint(
        QPainter& painter, const Layer& root, double time, Resampling resampling = Resampling::Smooth);
};

} // namespace platform
