#pragma once

#include "Image.h"

#include <limits>

class QImage;

namespace platform {

// What the compositor keeps of a layer's picture between frames: the
// picture resampled smoothly to the whole device pixels it covers, made once
// and kept while the picture and that size stay (a map tile at a fractional
// zoom, a marker on a panel of 2 or 3 pixels per point), and the size and
// Clock time of the picture's last drawing, which tell a picture resized
// frame after frame (fingers pinching) from one at rest. Sizes are device
// pixels. Main thread only.
class ScaledPicture {
public:
    // The copy of `source` resampled to width × height, made now unless it is
    // the one kept; it replaces any other.
    const QImage& resampled(const Image& source, int width, int height);
    // The kept copy when it was made from `source`, at whatever size; null
    // otherwise.
    const QImage* anyResampled(const Image& source) const;
    // Forgets the copy and the last drawing.
    void clear();

    // Whether the picture was last drawn at another size less than
    // `restInterval` seconds before `time`.
    bool isBeingResized(int width, int height, double time, double restInterval) const;
    void noteDrawn(int width, int height, double time);

private:
    Image source_;
    Image resampled_;
    int drawnWidth_ = 0;
    int drawnHeight_ = 0;
    double drawnAt_ = -std::numeric_limits<double>::infinity();
};

} // namespace platform
