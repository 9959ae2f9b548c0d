#include "RMAttributionLabel.h"

#include "Font.h"
#include "RMMapView.h"

#include <QEvent>

namespace {

constexpr float kMargin = 4;
constexpr float kPadding = 3;

} // namespace

RMAttributionLabel::RMAttributionLabel(RMMapView& view, const std::string& text)
    : view_(&view)
{
    const platform::Font font = platform::Font::systemFontOfSize(11);
    label_.setText(text);
    label_.setFont(font);
    label_.setTextAlignment(platform::TextAlignment::Center);
    label_.setBackgroundColor(platform::Color { 1, 1, 1, 0.75f });
    label_.setTextColor(platform::Color { 0.2f, 0.2f, 0.2f, 1 });
    const CGSize size = platform::sizeWithFont(text, font);
    label_.setFrame(CGRectMake(0, 0, size.width + 2 * kPadding, size.height + kPadding));
    view.layer().addSublayer(label_.layer());
    place();
    view.installEventFilter(this);
}

RMAttributionLabel::~RMAttributionLabel()
{
    if (!view_)
        return;
    view_->removeEventFilter(this);
    label_.layer()->removeFromSuperlayer();
}

bool RMAttributionLabel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == QEvent::Resize)
        place();
    return QObject::eventFilter(watched, event);
}

void RMAttributionLabel::place()
{
    const CGRect bounds = view_->bounds();
    const CGSize size = label_.frame().size;
    label_.setFrame(CGRectMake(bounds.size.width - size.width - kMargin,
        bounds.size.height - size.height - kMargin, size.width, size.height));
}
