#include "RoundedRect.h"

#include <QLineF>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace game {

namespace {

// The platform's arc-to-point: from the current point, a line towards the
// `corner` that turns, along an arc of `radius` tangent to both lines, into
// the line from `corner` towards `towards`. The current point becomes the
// second tangent point. Where the lines do not make a corner (a zero-length
// or straight line) only the line to `corner` is added.
void addArcToPoint(QPainterPath& path, QPointF corner, QPointF towards, double radius)
{
    const QPointF start = path.currentPosition();
    const QLineF in(corner, start);
    const QLineF out(corner, towards);
    if (in.length() == 0 || out.length() == 0 || radius == 0) {
        path.lineTo(corner);
        return;
    }
    const QPointF inDirection = (start - corner) / in.length();
    const QPointF outDirection = (towards - corner) / out.length();
    const double cosine = std::clamp(QPointF::dotProduct(inDirection, outDirection), -1.0, 1.0);
    const double angle = std::acos(cosine);
    if (angle < 1e-9 || std::numbers::pi - angle < 1e-9) {
        path.lineTo(corner);
        return;
    }
    const double tangentDistance = radius / std::tan(angle / 2);
    const QPointF first = corner + inDirection * tangentDistance;
    const QPointF second = corner + outDirection * tangentDistance;
    QPointF bisector = inDirection + outDirection;
    bisector /= std::hypot(bisector.x(), bisector.y());
    const QPointF centre = corner + bisector * (radius / std::sin(angle / 2));

    // Qt's angles are degrees counter-clockwise as seen on screen (y down).
    const auto degreesOf = [&](QPointF point) {
        return std::atan2(-(point.y() - centre.y()), point.x() - centre.x()) * 180 / std::numbers::pi;
    };
    const double from = degreesOf(first);
    double sweep = degreesOf(second) - from;
    if (sweep > 180)
        sweep -= 360;
    else if (sweep < -180)
        sweep += 360;
    path.lineTo(first);
    path.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), from, sweep);
}

} // namespace

void addRoundedRectToPath(QPainterPath& path, CGRect rect, float ovalWidth, float ovalHeight)
{
    if (ovalWidth == 0 || ovalHeight == 0) {
        path.addRect(QRectF(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height));
        return;
    }
    // Drawn with unit corners in a space scaled by the oval size, then
    // mapped back: the circles become the corner ellipses.
    const float fw = rect.size.width / ovalWidth;
    const float fh = rect.size.height / ovalHeight;
    QPainterPath unit;
    unit.moveTo(fw, fh / 2);
    addArcToPoint(unit, QPointF(fw, fh), QPointF(fw / 2, fh), 1);
    addArcToPoint(unit, QPointF(0, fh), QPointF(0, fh / 2), 1);
    addArcToPoint(unit, QPointF(0, 0), QPointF(fw / 2, 0), 1);
    addArcToPoint(unit, QPointF(fw, 0), QPointF(fw, fh / 2), 1);
    unit.closeSubpath();
    const QTransform toRect
        = QTransform::fromTranslate(rect.origin.x, rect.origin.y).scale(ovalWidth, ovalHeight);
    path.addPath(toRect.map(unit));
}

} // namespace game
