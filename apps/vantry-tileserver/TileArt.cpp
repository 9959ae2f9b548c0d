#include "TileArt.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainter>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

namespace vantry::tileart {

QColor tileColor(int zoom, int x, int y)
{
    return QColor::fromHsv((x * 47 + y * 89 + zoom * 23) % 360, 160, 230).toRgb();
}

QImage makeTileImage(int zoom, int x, int y)
{
    QImage image(kTileSide, kTileSide, QImage::Format_RGB32);
    image.fill(tileColor(zoom, x, y));
    QPainter painter(&image);
    painter.setPen(Qt::black);
    for (int line = 0; line < kTileSide; line += 64) {
        painter.drawLine(line, 0, line, kTileSide - 1);
        painter.drawLine(0, line, kTileSide - 1, line);
    }
    painter.drawText(
        QRect(0, 100, kTileSide, 56), Qt::AlignCenter, QStringLiteral("%1/%2/%3").arg(zoom).arg(x).arg(y));
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

platform::Data tilePng(int zoom, int x, int y)
{
    // Drawing on several threads at once is safe, but the font machinery is
    // shared: one tile at a time keeps it simple.
    static std::mutex drawing;
    std::lock_guard lock(drawing);
    return encodePng(makeTileImage(zoom, x, y));
}

} // namespace vantry::tileart
