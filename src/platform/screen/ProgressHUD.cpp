#include "ProgressHUD.h"

#include "Font.h"

#include <QColor>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <algorithm>

namespace platform {

namespace {

constexpr float kBoxHeight = 110;
constexpr float kWheelSide = 36;

Font textFont()
{
    return Font::boldSystemFontOfSize(17);
}

} // namespace

ProgressHUD::ProgressHUD(View& window)
    : View(window.bounds())
    , box_(std::make_shared<DrawingLayer>())
    , wheel_(new ActivityIndicatorView(CGRectMake(0, 0, kWheelSide, kWheelSide), this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    box_->setAnchorPoint(CGPointZero);
    box_->setDrawer([this](QPainter& painter, CGRect bounds) {
        QPainterPath outline;
        outline.addRoundedRect(QRectF(0, 0, bounds.size.width, bounds.size.height), 10, 10);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(outline, QColor(0, 0, 0, 180));
        painter.setFont(textFont().qfont());
        painter.setPen(Qt::white);
        painter.drawText(QRectF(0, kBoxHeight - 44, bounds.size.width, 30), Qt::AlignCenter,
            QString::fromStdString(text_));
    });
    layer().addSublayer(box_);
    window.installEventFilter(this);
    setHidden(true);
    layOut();
}

ProgressHUD::~ProgressHUD()
{
    if (parentWidget())
        parentWidget()->removeEventFilter(this);
}

void ProgressHUD::setText(std::string text)
{
    if (text == text_)
        return;
    text_ = std::move(text);
    layOut();
    box_->setNeedsDisplay();
}

void ProgressHUD::show(bool show)
{
    shown_ = show;
    setHidden(!show);
    if (show) {
        raise();
        wheel_->startAnimating();
    } else {
        wheel_->stopAnimating();
    }
}

bool ProgressHUD::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setFrame(static_cast<View*>(parentWidget())->bounds());
        layOut();
    }
    return false;
}

void ProgressHUD::layOut()
{
    const CGSize area = bounds().size;
    const float width = std::clamp(
        sizeWithFont(text_, textFont()).width + 40, kBoxHeight + 40, std::max(area.width - 20, 1.0f));
    const CGRect box = CGRectMake(
        std::round((area.width - width) / 2), std::round((area.height - kBoxHeight) / 2), width, kBoxHeight);
    box_->setBounds(CGRectMake(0, 0, box.size.width, box.size.height));
    box_->setPosition(box.origin);
    wheel_->setFrame(
        CGRectMake(CGRectGetMidX(box) - kWheelSide / 2, box.origin.y + 18, kWheelSide, kWheelSide));
}

} // namespace platform
