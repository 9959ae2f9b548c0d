#include "ImageRepresentation.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

std::optional<Data> encoded(const Image& image, const char* format, int quality)
{
    if (image.isNull())
        return std::nullopt;
    auto bytes = std::make_shared<QByteArray>();
    QBuffer buffer(bytes.get());
    buffer.open(QIODevice::WriteOnly);
    if (!image.pixels().save(&buffer, format, quality))
        return std::nullopt;
    const std::span span(
        reinterpret_cast<const std::uint8_t*>(bytes->constData()), static_cast<std::size_t>(bytes->size()));
    return Data(std::shared_ptr<const QByteArray>(std::move(bytes)), span);
}

} // namespace

std::optional<Data> imagePNGRepresentation(const Image& image)
{
    return encoded(image, "PNG", -1);
}

std::optional<Data> imageJPEGRepresentation(const Image& image, float compressionQuality)
{
    const float quality = std::isnan(compressionQuality) ? 0 : std::clamp(compressionQuality, 0.0f, 1.0f);
    return encoded(image, "JPEG", static_cast<int>(std::lround(quality * 100)));
}

} // namespace platform
