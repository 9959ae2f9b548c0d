#include "Image.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace platform {

Image Image::fromData(const Data& bytes)
{
    if (bytes.empty())
        return {};
    QImage decoded;
    decoded.loadFromData(bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX)));
    return fromQImage(decoded);
}

Image Image::fromFile(const std::string& path)
{
    // Qt warns about a file without a name (a resource not found, say).
    if (path.empty())
        return {};
    return fromQImage(QImage(QString::fromStdString(path)));
}

Image Image::fromQImage(const QImage& pixels)
{
    if (pixels.isNull())
        return {};
    const QImage::Format format
        = pixels.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    return Image(
        std::make_shared<const QImage>(pixels.format() == format ? pixels : pixels.convertToFormat(format)));
}

int Image::width() const
{
    return pixels_ ? pixels_->width() : 0;
}

int Image::height() const
{
    return pixels_ ? pixels_->height() : 0;
}

CGSize Image::size() const
{
    return CGSize { static_cast<float>(width()), static_cast<float>(height()) };
}

bool Image::isOpaque() const
{
    return pixels_ && !pixels_->hasAlphaChannel();
}

} // namespace platform
