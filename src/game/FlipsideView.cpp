#include "FlipsideView.h"

#include "Font.h"

#include <algorithm>

namespace game {

namespace {

// Below the navigation bar.
constexpr float kTextTop = 60;
constexpr float kTextInset = 16;

} // namespace

FlipsideView::FlipsideView(CGRect frame, QWidget* parent)
    : View(frame, parent)
    , text_(std::make_shared<platform::TextLayer>())
{
    text_->setFont(platform::Font::systemFontOfSize(15));
    text_->setTextColor(platform::Color::white());
    text_->setNumberOfLines(0);
    text_->setAnchorPoint(CGPointZero);
    layer().addSublayer(text_);
    layOut();
}

void FlipsideView::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    layOut();
}

void FlipsideView::layOut()
{
    const CGSize size = bounds().size;
    text_->setFrame(CGRectMake(kTextInset, kTextTop, std::max(0.0f, size.width - 2 * kTextInset),
        std::max(0.0f, size.height - kTextTop - kTextInset)));
}

} // namespace game
