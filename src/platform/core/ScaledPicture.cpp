#include "ScaledPicture.h"

#include <QImage>
#include <QPainter>

namespace platform {

const QImage& ScaledPicture::resampled(const Image& source, int width, int height)
{
    if (!(source_ == source) || resampled_.width() != width || resampled_.height() != height) {
        // Bilinear, as QPainter draws: several times cheaper than
        // QImage::scaled's smooth scaling, and as good for the factors of
        // a map (1/2 to 2) or a panel's ratio.
        const QImage& pixels = source.pixels();
        QImage scaled(width, height, pixels.format());
        scaled.fill(Qt::transparent);
        QPainter painter(&scaled);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QRectF(0, 0, width, height), pixels, QRectF(pixels.rect()));
        painter.end();
        resampled_ = Image::fromQImage(scaled);
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
