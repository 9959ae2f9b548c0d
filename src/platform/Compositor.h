#pragma once

class QPainter;

namespace platform {

class Layer;

// Paints layer trees: for each visible layer its background colour, its
// picture scaled to its bounds, its own drawing (Layer::drawInContext),
// then its sublayers in order (clipped to its bounds when it masks to
// them), with running scale animations sampled at the given time.
//
// Pictures drawn at their own size are copied without resampling, placed on
// the nearest whole pixels (halves go right and down); others are scaled
// smoothly. Nothing is allocated per layer.
class Compositor {
public:
    // Paints `root` as a sublayer of the painter's coordinate space: its
    // position is a point of the painter's current coordinates, which may
    // be scaled and translated (not rotated). `time` is Clock time.
    static void paint(QPainter& painter, const Layer& root, double time);
};

} // namespace platform
