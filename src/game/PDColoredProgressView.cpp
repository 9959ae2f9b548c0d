#include "PDColoredProgressView.h"

#include "RoundedRect.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRectF>

#include <algorithm>

namespace game {

namespace {

constexpr float kCornerOval = 4;

// Components outside 0…1 (a tint of red 1.3 − p) are clamped, as the
// platform's device colours are.
QColor rgba(double red, double green, double blue, double alpha)
{
    const auto unit
        = [](double value) { return static_cast<float>(value >= 0 ? std::min(value, 1.0) : 0.0); };
    return QColor::fromRgbF(unit(red), unit(green), unit(blue), unit(alpha));
}

const QColor kTrack = rgba(1, 1, 1, 1);
const QColor kBottomLine = rgba(178 / 255.0, 178 / 255.0, 178 / 255.0, 0.9);
const QColor kUpperBand = rgba(202 / 255.0, 202 / 255.0, 202 / 255.0, 0.9);
const QColor kTopBand = rgba(163 / 255.0, 163 / 255.0, 163 / 255.0, 0.8);
constexpr platform::Color kDefaultFill { 43 / 255.0f, 134 / 255.0f, 225 / 255.0f, 1 };
const QColor kFillBorder = rgba(20 / 255.0, 20 / 255.0, 20 / 255.0, 0.6);
const QColor kGlossStart = rgba(1, 1, 1, 0.45);
const QColor kGlossEnd = rgba(1, 1, 1, 0.75);

QRectF qrect(float x, float y, float width, float height)
{
    return QRectF(x, y, width, height);
}

// Narrows the clip to the rounded rectangle; clips only ever accumulate.
void clipToRoundedRect(QPainter& painter, CGRect rect)
{
    QPainterPath path;
    addRoundedRectToPath(path, rect, kCornerOval, kCornerOval);
    painter.setClipPath(path, Qt::IntersectClip);
}

} // namespace

void PDColoredProgressView::drawRect(QPainter& painter, CGRect rect) const
{
    if (progressViewStyle() != Style::Default) {
        ProgressView::drawRect(painter, rect);
        return;
    }
    // Coordinates are the platform's float points; where a value is worked
    // out in double precision it is narrowed when it becomes a coordinate.
    const float x = rect.origin.x;
    const float y = rect.origin.y;
    const float w = rect.size.width;
    const float h = rect.size.height;
    const float p = progress();
    painter.setRenderHint(QPainter::Antialiasing, true);

    clipToRoundedRect(painter, rect);
    painter.fillRect(qrect(x, y, w, h), kTrack);

    painter.setPen(QPen(kBottomLine, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawLine(QPointF(2.2f, h), QPointF(static_cast<float>(w - 2.2), h));

    const float upperBand = h / 1.75f;
    painter.fillRect(qrect(x, 0, w, upperBand), kUpperBand);
    painter.fillRect(qrect(x, 0, w, static_cast<float>(upperBand / 2.7)), kTopBand);

    if (!tintColor_)
        tintColor_ = kDefaultFill;
    const platform::Color tint = *tintColor_;
    const float filledWidth = w * p;
    clipToRoundedRect(painter, CGRectMake(x, y, filledWidth, h));
    painter.fillRect(qrect(x, y, filledWidth, h), rgba(tint.red, tint.green, tint.blue, tint.alpha));

    const CGRect inner = CGRectMake(x + 0.625f, y + 0.625f, filledWidth - 1.25f, h - 1.25f);
    clipToRoundedRect(painter, inner);
    painter.setPen(QPen(kFillBorder, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(qrect(inner.origin.x, inner.origin.y, inner.size.width, inner.size.height));

    // Every rounded rectangle above went into a clip, so no path is pending
    // here: the gloss is confined by the accumulated clips alone. It runs
    // from its start colour at the bottom of the upper band to its end
    // colour at the top, and paints nothing beyond either end.
    painter.save();
    painter.translate(x, 0);
    QLinearGradient gloss(QPointF(0, upperBand), QPointF(0, 0));
    gloss.setColorAt(0, kGlossStart);
    gloss.setColorAt(1, kGlossEnd);
    painter.fillRect(qrect(0, 0, w, upperBand), gloss);
    painter.restore();
}

} // namespace game
