#include "ActivityIndicatorView.h"

#include <QColor>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform {

namespace {

constexpr int kSpokes = 12;
constexpr double kStepInterval = 1.0 / kSpokes;

} // namespace

ActivityIndicatorView::ActivityIndicatorView(CGRect frame, QWidget* parent)
    : View(frame, parent)
    , wheel_(std::make_shared<DrawingLayer>())
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    wheel_->setAnchorPoint(CGPointZero);
    wheel_->setDrawer([this](QPainter& painter, CGRect bounds) {
        const float side = std::min(bounds.size.width, bounds.size.height);
        const QPointF centre(bounds.size.width / 2, bounds.size.height / 2);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int spoke = 0; spoke < kSpokes; ++spoke) {
            const int age = (phase_ - spoke + kSpokes) % kSpokes;
            QPen pen(QColor(255, 255, 255, 255 - age * 18));
            pen.setWidthF(std::max(1.5, side / 10.0));
            pen.setCapStyle(Qt::RoundCap);
            painter.setPen(pen);
            const double angle = 2 * std::numbers::pi * spoke / kSpokes;
            const QPointF direction(std::sin(angle), -std::cos(angle));
            painter.drawLine(centre + direction * (side * 0.25), centre + direction * (side * 0.45));
        }
    });
    wheel_->setBounds(bounds());
    layer().addSublayer(wheel_);
    setHidden(true);
}

void ActivityIndicatorView::startAnimating()
{
    animating_ = true;
    setHidden(false);
    updateTimer();
}

void ActivityIndicatorView::stopAnimating()
{
    animating_ = false;
    setHidden(true);
    updateTimer();
}

void ActivityIndicatorView::showEvent(QShowEvent* event)
{
    View::showEvent(event);
    updateTimer();
}

void ActivityIndicatorView::hideEvent(QHideEvent* event)
{
    View::hideEvent(event);
    updateTimer();
}

void ActivityIndicatorView::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    wheel_->setBounds(bounds());
}

void ActivityIndicatorView::updateTimer()
{
    if (!animating_ || !isVisible()) {
        stepTimer_.invalidate();
        return;
    }
    if (stepTimer_.isValid())
        return;
    stepTimer_ = Timer::scheduledTimer(kStepInterval, true, [this] {
        phase_ = (phase_ + 1) % kSpokes;
        wheel_->setNeedsDisplay();
    });
}

} // namespace platform
