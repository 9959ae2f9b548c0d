#include "Button.h"

#include "Font.h"

#include <QColor>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QString>

namespace platform {

namespace {

// The button's picture is this much smaller than its frame.
constexpr float kPulseRoom = 1.3f;

} // namespace

Button::Button(CGRect frame, QWidget* parent)
    : View(frame, parent)
    , buttonLayer_(std::make_shared<DrawingLayer>())
{
    buttonLayer_->setDrawer([this](QPainter& painter, CGRect bounds) {
        const QRectF area(bounds.origin.x, bounds.origin.y, bounds.size.width, bounds.size.height);
        QPainterPath outline;
        outline.addRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(outline, highlighted_ ? QColor(40, 40, 40, 220) : QColor(0, 0, 0, 160));
        painter.setPen(QColor(255, 255, 255, 200));
        painter.drawPath(outline);
        QRectF text = area;
        if (!image_.isNull()) {
            // The picture fills the height less a margin, on the left.
            const double side = area.height() - 8;
            const double width = side * image_.width() / std::max(1, image_.height());
            painter.drawImage(QRectF(area.left() + 6, area.top() + 4, width, side), image_.pixels());
            text.setLeft(area.left() + 6 + width);
        }
        painter.setFont(Font::boldSystemFontOfSize(std::min(17.0f, bounds.size.height * 0.5f)).qfont());
        painter.setPen(Qt::white);
        painter.drawText(text, Qt::AlignCenter, QString::fromStdString(currentTitle()));
    });
    layer().addSublayer(buttonLayer_);
    layOut();
}

std::string Button::titleForState(unsigned state) const
{
    const auto title = titles_.find(state);
    if (title != titles_.end())
        return title->second;
    const auto normal = titles_.find(Normal);
    return normal == titles_.end() ? std::string() : normal->second;
}

void Button::setTitleForState(std::string title, unsigned state)
{
    titles_[state] = std::move(title);
    buttonLayer_->setNeedsDisplay();
}

void Button::setImage(Image image)
{
    image_ = std::move(image);
    buttonLayer_->setNeedsDisplay();
}

unsigned Button::state() const
{
    if (!isEnabled())
        return Disabled;
    return highlighted_ ? Highlighted : Normal;
}

std::string Button::currentTitle() const
{
    return titleForState(state());
}

void Button::touchesBegan(const std::vector<Touch*>&, const Event&)
{
    setHighlighted(true);
}

void Button::touchesEnded(const std::vector<Touch*>& touches, const Event&)
{
    const bool inside
        = !touches.empty() && CGRectContainsPoint(bounds(), touches.front()->locationInView(this));
    setHighlighted(false);
    if (inside && isEnabled() && action_) {
        // The action may destroy the button.
        const auto action = action_;
        action();
    }
}

void Button::touchesCancelled(const std::vector<Touch*>&, const Event&)
{
    setHighlighted(false);
}

void Button::setHighlighted(bool highlighted)
{
    if (highlighted == highlighted_)
        return;
    highlighted_ = highlighted;
    buttonLayer_->setNeedsDisplay();
}

void Button::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    layOut();
}

void Button::changeEvent(QEvent* event)
{
    View::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        buttonLayer_->setNeedsDisplay();
}

void Button::layOut()
{
    const CGSize size = bounds().size;
    buttonLayer_->setBounds(CGRectMake(0, 0, size.width / kPulseRoom, size.height / kPulseRoom));
    buttonLayer_->setPosition(CGPointMake(size.width / 2, size.height / 2));
}

} // namespace platform
