#include "ScaledPicture.h"

#include <QImage>

namespace platform {

const QImage& ScaledPicture::resampled(const Image& source, int width, int height)
{
    if (!(source_ == source) || resampled_.width() != width || resampled_.height() != height) {
        resampled_ = Image::fromQImage(
            source.pixels().scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        source_ = source;
    }
    return resampled_.pixels();
}

const QImage* ScaledPicture::anyResampled(const Image& source) const
{
    return !resampled_.isNull() && source_ == source ? &resampled_.pixels() : nullptr;
}

void ScaledPicture::clear()
{
    *this = ScaledPicture();
}

bool ScaledPicture::isBeingResized(int width, int height, double time, double restInterval) const
{
    return (width != drawnWidth_ || height != drawnHeight_) && time - drawnAt_ < restInterval;
}

void ScaledPicture::noteDrawn(int width, int height, double time)
{
    drawnWidth_ = width;
    drawnHeight_ = height;
    drawnAt_ = time;
}

} // namespace platform
