#include "CalloutView.h"

#include "Clock.h"
#include "Font.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QString>

#include <algorithm>

namespace platform {

namespace {

constexpr float kBodyHeight = 32;
constexpr float kTipHeight = 10;
constexpr float kTipHalfWidth = 9;
constexpr float kSidePadding = 14;
constexpr double kFadeStep = 1.0 / 30;

Font titleFont()
{
    return Font::boldSystemFontOfSize(15);
}

float clampInto(float value, float low, float high)
{
    return high < low ? low : std::clamp(value, low, high);
}

} // namespace

CalloutView::CalloutView(CGRect frame, QWidget* parent)
    : View(frame, parent)
    , bubble_(std::make_shared<DrawingLayer>())
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    bubble_->setAnchorPoint(CGPointZero);
    bubble_->setDrawer([this](QPainter& painter, CGRect bounds) {
        const float width = bounds.size.width;
        // The body above its tip, or below it when the bubble points up.
        const float bodyTop = pointsUp_ ? kTipHeight : 0;
        const float bodyEdge = pointsUp_ ? bodyTop + 2 : kBodyHeight - 2;
        QPainterPath outline;
        outline.addRoundedRect(QRectF(1, bodyTop + 1, width - 2, kBodyHeight - 2), 8, 8);
        QPainterPath tip;
        tip.moveTo(tipX_ - kTipHalfWidth, bodyEdge);
        tip.lineTo(tipX_, pointsUp_ ? 1 : kBodyHeight + kTipHeight - 1);
        tip.lineTo(tipX_ + kTipHalfWidth, bodyEdge);
        tip.closeSubpath();
        outline = outline.united(tip);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(outline, QColor(20, 20, 28, 225));
        painter.setPen(QPen(QColor(255, 255, 255, 210), 1.5));
        painter.drawPath(outline);
        painter.setFont(titleFont().qfont());
        painter.setPen(Qt::white);
        painter.drawText(
            QRectF(0, bodyTop, width, kBodyHeight), Qt::AlignCenter, QString::fromStdString(title_));
    });
    layer().addSublayer(bubble_);
}

void CalloutView::setTitle(std::string title)
{
    if (title == title_)
        return;
    title_ = std::move(title);
    layOut();
}

void CalloutView::setAnchorPointBoundaryRectAnimate(CGPoint anchor, CGRect boundary, bool)
{
    anchor_ = anchor;
    boundary_ = CGRectStandardize(boundary);
    layOut();
}

void CalloutView::layOut()
{
    const float width = sizeWithFont(title_, titleFont()).width + 2 * kSidePadding;
    const float height = kBodyHeight + kTipHeight;
    const float x
        = clampInto(anchor_.x - width / 2, CGRectGetMinX(boundary_), CGRectGetMaxX(boundary_) - width);
    // Above the anchor, so it hides nothing below the point; below it, pointing up, where there is no
    // room above (a tip about a bar at the top of the screen must not cover the bar).
    pointsUp_
        = anchor_.y - height < CGRectGetMinY(boundary_) && anchor_.y + height <= CGRectGetMaxY(boundary_);
    const float y = pointsUp_
        ? anchor_.y
        : clampInto(anchor_.y - height, CGRectGetMinY(boundary_), CGRectGetMaxY(boundary_) - height);
    tipX_ = clampInto(anchor_.x - x, kSidePadding, width - kSidePadding);
    setFrame(CGRectMake(x, y, width, height));
    bubble_->setBounds(CGRectMake(0, 0, width, height));
    bubble_->setNeedsDisplay();
}

void CalloutView::fadeOutWithDuration(double seconds)
{
    fadeStart_ = Clock::current().now();
    fadeDuration_ = std::max(seconds, kFadeStep);
    fadeTimer_ = Timer::scheduledTimer(kFadeStep, true, [this] {
        const double done = (Clock::current().now() - fadeStart_) / fadeDuration_;
        if (done < 1) {
            setAlpha(static_cast<float>(1 - done));
            return;
        }
        fadeTimer_.invalidate();
        setAlpha(0);
        setHidden(true);
        deleteLater();
    });
}

} // namespace platform
