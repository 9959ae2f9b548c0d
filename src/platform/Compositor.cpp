#include "Compositor.h"

#include "Layer.h"

#include <QColor>
#include <QPaintDevice>
#include <QPainter>
#include <QRectF>
#include <QRegion>
#include <QTransform>

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

bool isWhole(double value)
{
    return std::abs(value - std::round(value)) < 1e-3;
}

QColor qcolor(Color color)
{
    return QColor::fromRgbF(color.red, color.green, color.blue, color.alpha);
}

class Painter {
public:
    Painter(QPainter& painter, double time)
        : painter_(painter)
        , time_(time)
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
            drawImage(contents, area);
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

private:
    void setClip(const std::optional<QRectF>& clip)
    {
        clip_ = clip;
        if (clip)
            painter_.setClipRect(*clip);
        else
            painter_.setClipping(false);
    }

    void drawImage(const Image& image, const QRectF& area)
    {
        const QImage& pixels = image.pixels();
        const bool sameSize = std::abs(area.width() * pixelRatio_ - pixels.width()) < 1e-3
            && std::abs(area.height() * pixelRatio_ - pixels.height()) < 1e-3;
        // A picture at its own size goes to the nearest whole pixels: a copy,
        // sharp and fast, rather than a resampling that would blur it by a
        // fraction of a pixel. Neighbours a whole picture apart stay so.
        if (sameSize && pixelRatio_ == 1) {
            painter_.drawImage(QPoint(static_cast<int>(std::floor(area.x() + 0.5)),
                                   static_cast<int>(std::floor(area.y() + 0.5))),
                pixels);
            return;
        }
        const bool oneToOne = sameSize && isWhole(area.x() * pixelRatio_) && isWhole(area.y() * pixelRatio_);
        setSmooth(!oneToOne);
        painter_.drawImage(area, pixels, QRectF(pixels.rect()));
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
    double pixelRatio_;
    std::optional<QRectF> clip_;
    std::optional<bool> smooth_;
};

} // namespace

void Compositor::paint(QPainter& painter, const Layer& root, double time)
{
    const QTransform base = painter.worldTransform();
    const bool clipped = painter.hasClipping();
    const QRegion clip = clipped ? painter.clipRegion() : QRegion();
    const QPainter::RenderHints hints = painter.renderHints();

    painter.resetTransform();
    Painter(painter, time).paintLayer(root, Mapping { base.m11(), base.m22(), base.dx(), base.dy() });

    painter.setRenderHints(hints, true);
    painter.setRenderHints(~hints, false);
    painter.setWorldTransform(base);
    if (clipped)
        painter.setClipRegion(clip);
    else
        painter.setClipping(false);
}

} // namespace platform
