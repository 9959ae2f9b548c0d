#include "Image.h"

#include "Bundle.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <fmt/format.h>

#include <filesystem>

namespace platform {

Image Image::fromData(const Data& bytes)
{
    if (bytes.empty())
        return {};
    QImage decoded;
    decoded.loadFromData(bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX)));
    return fromQImage(decoded);
}

namespace {

// The N of a file named NAME@Nx.EXT, from 2 to 3; 1 for any other name.
float scaleInFileName(const std::string& path)
{
    const std::string stem = std::filesystem::path(path).stem().string();
    for (const char digit : { '2', '3' }) {
        if (stem.ends_with(std::string { '@', digit, 'x' }))
            return static_cast<float>(digit - '0');
    }
    return 1;
}

// The most pixels per point of any screen; 1 without a GUI application.
double finestScreenRatio()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? qGuiApp->devicePixelRatio() : 1.0;
}

} // namespace

Image Image::fromFile(const std::string& path)
{
    // Qt warns about a file without a name (a resource not found, say).
    if (path.empty())
        return {};
    Image image = fromQImage(QImage(QString::fromStdString(path)));
    image.scale_ = scaleInFileName(path);
    return image;
}

Image Image::named(std::string_view name, std::string_view directory)
{
    const double ratio = finestScreenRatio();
    for (const int scale : { 3, 2, 1 }) {
        if (scale > 1 && !(ratio > scale - 1))
            continue;
        const std::string file = scale == 1 ? std::string(name) : fmt::format("{}@{}x", name, scale);
        const std::string path = directory.empty() ? Bundle::pathForResource(file, "png")
                                                   : Bundle::pathForResource(file, "png", directory);
        if (!path.empty())
            return fromFile(path);
    }
    return {};
}

Image Image::fromQImage(const QImage& pixels)
{
    if (pixels.isNull())
        return {};
    const QImage::Format format
        = pixels.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    QImage converted = pixels.format() == format ? pixels : pixels.convertToFormat(format);
    // The scale is ours to keep (Qt gives files named NAME@2x a ratio of its
    // own, which would halve them again where they are drawn).
    converted.setDevicePixelRatio(1);
    return Image(std::make_shared<const QImage>(std::move(converted)));
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
    return CGSize { static_cast<float>(width()) / scale_, static_cast<float>(height()) / scale_ };
}

bool Image::isOpaque() const
{
    return pixels_ && !pixels_->hasAlphaChannel();
}

} // namespace platform
