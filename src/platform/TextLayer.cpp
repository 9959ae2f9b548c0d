#include "TextLayer.h"

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace platform {

TextLayer::TextLayer()
    : font_(Font::systemFontOfSize(17))
{
    setDrawsInContext(true);
}

void TextLayer::drawInContext(QPainter& painter) const
{
    if (text_.empty() || textColor_.isClear())
        return;
    int flags = Qt::AlignVCenter;
    switch (alignment_) {
    case TextAlignment::Left:
        flags |= Qt::AlignLeft;
        break;
    case TextAlignment::Center:
        flags |= Qt::AlignHCenter;
        break;
    case TextAlignment::Right:
        flags |= Qt::AlignRight;
        break;
    }
    if (numberOfLines_ != 1)
        flags |= Qt::TextWordWrap;
    const CGRect area = bounds();
    painter.setFont(font_.qfont());
    painter.setPen(QColor::fromRgbF(textColor_.red, textColor_.green, textColor_.blue, textColor_.alpha));
    painter.drawText(QRectF(area.origin.x, area.origin.y, area.size.width, area.size.height), flags,
        QString::fromStdString(text_));
}

} // namespace platform
