#include "ProgressView.h"

#include <QColor>
#include <QPainter>
#include <QRectF>

#include <algorithm>

namespace platform {

namespace {

QColor qcolor(float red, float green, float blue, float alpha = 1)
{
    return QColor::fromRgbF(red, green, blue, alpha);
}

} // namespace

// The layer that paints the bar: it covers the view's bounds and calls back
// into the view, which outlives the tree's use of it (the view forgets
// itself here before it goes; someone else may still hold the layer).
class ProgressView::BarLayer : public Layer {
public:
    explicit BarLayer(const ProgressView& view)
        : view_(&view)
    {
        setDrawsInContext(true);
        setAnchorPoint(CGPointZero);
    }

    void forgetView() { view_ = nullptr; }

    void drawInContext(QPainter& painter) const override
    {
        if (!view_)
            return;
        painter.save();
        view_->drawRect(painter, bounds());
        painter.restore();
    }

private:
    const ProgressView* view_;
};

ProgressView::ProgressView(CGRect frame, QWidget* parent)
    : View(frame, parent)
    , barLayer_(std::make_shared<BarLayer>(*this))
{
    layer().addSublayer(barLayer_);
    followBounds();
}

ProgressView::~ProgressView()
{
    barLayer_->forgetView();
}

void ProgressView::setProgress(float progress)
{
    const float clamped = progress >= 0 ? std::min(progress, 1.0f) : 0.0f;
    if (clamped == progress_)
        return;
    progress_ = clamped;
    barLayer_->setNeedsDisplay();
}

void ProgressView::setProgressViewStyle(Style style)
{
    if (style == style_)
        return;
    style_ = style;
    barLayer_->setNeedsDisplay();
}

void ProgressView::setFrame(CGRect frame)
{
    View::setFrame(frame);
    followBounds();
}

void ProgressView::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    followBounds();
}

void ProgressView::followBounds()
{
    barLayer_->setBounds(bounds());
}

void ProgressView::drawRect(QPainter& painter, CGRect rect) const
{
    // A rounded track with the filled part over it; the bar style (for
    // toolbars) has a darker track.
    const QRectF track(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    if (track.isEmpty())
        return;
    const double radius = std::min(track.height() / 2, 3.0);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(style_ == Style::Bar ? qcolor(0.7f, 0.7f, 0.72f) : qcolor(0.89f, 0.89f, 0.9f));
    painter.drawRoundedRect(track, radius, radius);
    if (progress_ <= 0)
        return;
    QRectF filled = track;
    filled.setWidth(track.width() * progress_);
    painter.setBrush(qcolor(0.0f, 0.48f, 1.0f));
    painter.drawRoundedRect(filled, radius, radius);
}

} // namespace platform
