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

namespace {

// Stores `value` and tells the layer's host when it differs from the old one.
template<typename T> void update(TextLayer& layer, T& field, T value)
{
    if (field == value)
        return;
    field = std::move(value);
    layer.setNeedsDisplay();
}

} // namespace

void TextLayer::setText(std::string text)
{
    update(*this, text_, std::move(text));
}

void TextLayer::setFont(Font font)
{
    update(*this, font_, std::move(font));
}

void TextLayer::setTextColor(Color color)
{
    update(*this, textColor_, color);
}

void TextLayer::setAlignment(TextAlignment alignment)
{
    update(*this, alignment_, alignment);
}

void TextLayer::setNumberOfLines(int lines)
{
    update(*this, numberOfLines_, lines);
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
