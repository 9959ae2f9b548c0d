#include "NavigationBar.h"

#include "Font.h"

#include <QColor>
#include <QPainter>
#include <QString>

namespace platform {

namespace {

constexpr float kButtonInset = 4;
constexpr float kButtonWidth = 84;

} // namespace

BarButtonItem::BarButtonItem(std::string title, Style style, std::function<void()> action)
    : title_(std::move(title))
    , style_(style)
    , action_(std::move(action))
{ }

void BarButtonItem::trigger() const
{
    if (action_)
        action_();
}

NavigationItem::NavigationItem(std::string title)
    : title_(std::move(title))
{ }

NavigationBar::NavigationBar(CGRect frame, QWidget* parent)
    : View(frame, parent)
    , background_(std::make_shared<DrawingLayer>())
{
    background_->setAnchorPoint(CGPointZero);
    background_->setDrawer([this](QPainter& painter, CGRect bounds) {
        const QRectF area(0, 0, bounds.size.width, bounds.size.height);
        const bool black = barStyle_ == Style::Black;
        painter.fillRect(area, black ? QColor(12, 12, 12) : QColor(109, 132, 162));
        painter.fillRect(QRectF(0, area.height() - 1, area.width(), 1), QColor(0, 0, 0));
        if (const NavigationItem* item = topItem()) {
            painter.setFont(Font::boldSystemFontOfSize(20).qfont());
            painter.setPen(Qt::white);
            painter.drawText(area, Qt::AlignCenter, QString::fromStdString(item->title()));
        }
    });
    background_->setBounds(bounds());
    layer().addSublayer(background_);
}

void NavigationBar::setBarStyle(Style style)
{
    if (style == barStyle_)
        return;
    barStyle_ = style;
    background_->setNeedsDisplay();
}

void NavigationBar::pushNavigationItemAnimated(std::shared_ptr<NavigationItem> item, bool)
{
    items_.push_back(std::move(item));
    showTopItem();
}

void NavigationBar::showTopItem()
{
    delete leftButton_;
    leftButton_ = nullptr;
    background_->setNeedsDisplay();
    const NavigationItem* item = topItem();
    if (!item || !item->leftBarButtonItem())
        return;
    const float height = bounds().size.height;
    leftButton_ = new Button(CGRectMake(kButtonInset, 0, kButtonWidth, height), this);
    const std::shared_ptr<BarButtonItem> buttonItem = item->leftBarButtonItem();
    leftButton_->setTitleForState(buttonItem->title(), Button::Normal);
    // A weak hold: the item may be replaced while its button lives.
    leftButton_->setAction([weak = std::weak_ptr(buttonItem)] {
        if (const auto item = weak.lock())
            item->trigger();
    });
    leftButton_->show();
}

void NavigationBar::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    background_->setBounds(bounds());
}

} // namespace platform
