#include "TestImages.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainter>

#include <memory>

namespace vantry::test {

QImage makeSolidImage(int width, int height, const QColor& color)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

QColor tileColor(int zoom, int x, int y)
{
    // Distinct, opaque and far from the grid's black for neighbouring tiles.
    return QColor::fromHsv((x * 47 + y * 89 + zoom * 23) % 360, 160, 230).toRgb();
}

QImage makeTileImage(int zoom, int x, int y)
{
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(tileColor(zoom, x, y));
    QPainter painter(&image);
    painter.setPen(Qt::black);
    for (int line = 0; line < 256; line += 64) {
        painter.drawLine(line, 0, line, 255);
        painter.drawLine(0, line, 255, line);
    }
    painter.drawText(
        QRect(0, 100, 256, 56), Qt::AlignCenter, QStringLiteral("%1/%2/%3").arg(zoom).arg(x).arg(y));
    return image;
}

platform::Data encodePng(const QImage& image)
{
    auto bytes = std::make_shared<QByteArray>();
    QBuffer buffer(bytes.get());
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    buffer.close();
    const auto* first = reinterpret_cast<const std::uint8_t*>(bytes->constData());
    const std::size_t size = static_cast<std::size_t>(bytes->size());
    return platform::Data(std::shared_ptr<const void>(bytes), std::span(first, size));
}

} // namespace vantry::test
