#include "Compositor.h"

#include "Layer.h"
#include "ScaledPicture.h"

#include <QColor>
#include <QPaintDevice>
#include <QPainter>
#include <QRectF>
#include <QRegion>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <optional>

namespace platform {

namespace {

// From a layer's own coordinates to the painter's untransformed ones:
// x' = scaleX * x + dx, y' = scaleY * y + dy.
struct Mapping {
    double scaleX = 1;
    double scaleY = 1;
    double dx = 0;
    double dy = 0;
};

// Sizes within this many device pixels count as equal.
constexpr double kPixelTolerance = 1e-3;

// Pictures of at most this many pixels are resampled smoothly on every
// frame even while they are being resized (a marker's pulse): it costs
// little, and nearest pixels would show on them.
constexpr int kSmallPicture = 128 * 128;

bool isNear(double a, double b)
{
    return std::abs(a - b) < kPixelTolerance;
}

// The whole pixel a picture edge at `value` lands on; halves go right/down.
int nearestPixel(double value)
{
    return static_cast<int>(std::floor(value + 0.5));
}

// The whole pixels an extent covers, a fraction counting as a whole pixel.
int coveredPixels(double extent)
{
    return std::max(1, static_cast<int>(std::ceil(extent - kPixelTolerance)));
}

QColor qcolor(Color color)
{
    return QColor::fromRgbF(color.red, color.green, color.blue, color.alpha);
}

class Painter {
public:
    Painter(QPainter& painter, double time, Compositor::Resampling resampling)
        : painter_(painter)
        , time_(time)
        , resampling_(resampling)
        , pixelRatio_(painter.device() ? painter.device()->devicePixelRatio() : 1.0)
    {
        if (painter_.hasClipping())
            clip_ = painter_.clipBoundingRect();
    }

    void paintLayer(const Layer& layer, const Mapping& parent)
    {
        if (layer.isHidden())
            return;
        const Transform3D transform = layer.presentationTransform(time_);
        if (transform.scaleX == 0 || transform.scaleY == 0)
            return;
        const CGRect bounds = layer.bounds();
        const CGPoint position = layer.position();
        const CGPoint anchor = layer.anchorPoint();
        // A local point q lands in the superlayer at
        // position + scale * (q - bounds.origin - anchor * size).
        const double localX
            = position.x - transform.scaleX * (bounds.origin.x + anchor.x * bounds.size.width);
        const double localY
            = position.y - transform.scaleY * (bounds.origin.y + anchor.y * bounds.size.height);
        const Mapping mapping { parent.scaleX * transform.scaleX, parent.scaleY * transform.scaleY,
            parent.scaleX * localX + parent.dx, parent.scaleY * localY + parent.dy };
        const QRectF area = QRectF(mapping.scaleX * bounds.origin.x + mapping.dx,
            mapping.scaleY * bounds.origin.y + mapping.dy, mapping.scaleX * bounds.size.width,
            mapping.scaleY * bounds.size.height)
                                .normalized();

        const Color background = layer.backgroundColor();
        if (!background.isClear())
            painter_.fillRect(area, qcolor(background));
        if (const Image& contents = layer.contents(); !contents.isNull())
            drawPicture(layer, contents, area);
        if (layer.drawsInContext()) {
            painter_.setWorldTransform(
                QTransform(mapping.scaleX, 0, 0, mapping.scaleY, mapping.dx, mapping.dy));
            layer.drawInContext(painter_);
            painter_.resetTransform();
        }

        const auto& sublayers = layer.sublayers();
        if (sublayers.empty())
            return;
        if (!layer.masksToBounds()) {
            for (const auto& sublayer : sublayers)
                paintLayer(*sublayer, mapping);
            return;
        }
        const std::optional<QRectF> outer = clip_;
        const QRectF inner = outer ? outer->intersected(area) : area;
        if (inner.isEmpty())
            return;
        setClip(inner);
        for (const auto& sublayer : sublayers)
            paintLayer(*sublayer, mapping);
        setClip(outer);
    }

    bool drewProvisionally() const { return provisional_; }

private:
    void setClip(const std::optional<QRectF>& clip)
    {
        clip_ = clip;
        if (clip)
            painter_.setClipRect(*clip);
        else
            painter_.setClipping(false);
    }

    void drawPicture(const Layer& layer, const Image& image, const QRectF& area)
    {
        const QImage& pixels = image.pixels();
        const double width = area.width() * pixelRatio_;
        const double height = area.height() * pixelRatio_;
        const int left = nearestPixel(area.left() * pixelRatio_);
        const int top = nearestPixel(area.top() * pixelRatio_);
        ScaledPicture& scaled = layer.scaledContents();
        // A picture at its own size is copied: sharp and fast, where a
        // resampling would blur it by a fraction of a pixel. Neighbours a
        // whole picture apart stay so.
        if (isNear(width, pixels.width()) && isNear(height, pixels.height())) {
            // No copy to keep; the size is, so a pinch that starts here
            // draws its next frames cheaply.
            scaled.clear();
            scaled.noteDrawn(pixels.width(), pixels.height(), time_);
            copy(pixels, left, top, pixels.width(), pixels.height());
            return;
        }
        // The whole pixels from the near edges to the far ones, each edge
        // rounded: neighbours abut without gap or overlap, and a picture
        // keeps one size however it moves (its last row or column is left
        // out where its place spans one pixel fewer).
        const int spanWidth = std::max(1, nearestPixel(area.right() * pixelRatio_) - left);
        const int spanHeight = std::max(1, nearestPixel(area.bottom() * pixelRatio_) - top);
        const int coveredWidth = coveredPixels(width);
        const int coveredHeight = coveredPixels(height);
        if (resampling_ == Compositor::Resampling::FastWhileResizing
            && pixels.width() * pixels.height() > kSmallPicture
            && scaled.isBeingResized(coveredWidth, coveredHeight, time_, Compositor::kRestInterval)) {
            const QImage* earlier = scaled.anyResampled(image);
            const QImage& from = earlier ? *earlier : pixels;
            setSmooth(false);
            painter_.drawImage(QRectF(left / pixelRatio_, top / pixelRatio_, spanWidth / pixelRatio_,
                                   spanHeight / pixelRatio_),
                from, QRectF(from.rect()));
            scaled.noteDrawn(coveredWidth, coveredHeight, time_);
            provisional_ = true;
            return;
        }
        copy(scaled.resampled(image, coveredWidth, coveredHeight), left, top,
            std::min(spanWidth, coveredWidth), std::min(spanHeight, coveredHeight));
        scaled.noteDrawn(coveredWidth, coveredHeight, time_);
    }

    // Copies the top left width × height pixels one to one, their top left
    // on the device pixel (left, top).
    void copy(const QImage& pixels, int left, int top, int width, int height)
    {
        if (pixelRatio_ == 1) {
            painter_.drawImage(QPoint(left, top), pixels, QRect(0, 0, width, height));
            return;
        }
        // In device pixels, so the painter blits rows as it does at ratio
        // 1 instead of scaling by the ratio and back pixel by pixel.
        painter_.setWorldTransform(QTransform::fromScale(1 / pixelRatio_, 1 / pixelRatio_));
        painter_.drawImage(QPoint(left, top), pixels, QRect(0, 0, width, height));
        painter_.resetTransform();
    }

    void setSmooth(bool smooth)
    {
        if (smooth_ == smooth)
            return;
        smooth_ = smooth;
        painter_.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    }

    QPainter& painter_;
    double time_;
    Compositor::Resampling resampling_;
    double pixelRatio_;
    std::optional<QRectF> clip_;
    std::optional<bool> smooth_;
    bool provisional_ = false;
};

} // namespace

bool Compositor::paint(QPainter& painter, const Layer& root, double time, Resampling resampling)
{
    const QTransform base = painter.worldTransform();
    const bool clipped = painter.hasClipping();
    const QRegion clip = clipped ? painter.clipRegion() : QRegion();
    const QPainter::RenderHints hints = painter.renderHints();

    painter.resetTransform();
    Painter layers(painter, time, resampling);
    layers.paintLayer(root, Mapping { base.m11(), base.m22(), base.dx(), base.dy() });

    painter.setRenderHints(hints, true);
    painter.setRenderHints(~hints, false);
    painter.setWorldTransform(base);
    if (clipped)
        painter.setClipRegion(clip);
    else
        painter.setClipping(false);
    return layers.drewProvisionally();
}

} // namespace platform
