#pragma once

#include "CGGeometry.h"
#include "Data.h"

#include <memory>
#include <string>
#include <string_view>

class QImage;

namespace platform {

// A decoded picture (PNG, JPEG and whatever else Qt reads). Copies share the
// pixels. A null image is the answer to bytes or files that hold no picture.
// A picture has a scale, its pixels per point: 1, or the N of a file named
// NAME@Nx.png (N from 2 to 3), drawn for panels of that many pixels per
// point. Its size is in points, its width and height in pixels.
class Image {
public:
    // The null image.
    Image() = default;
    // Decodes the bytes; null when they are not a picture.
    static Image fromData(const Data& bytes);
    // Reads and decodes the file; null when it cannot be read or decoded.
    static Image fromFile(const std::string& path);
    // The resources' picture NAME.png (in `directory` of them, if given) at
    // the finest scale the screens can show: NAME@3x.png or NAME@2x.png
    // where a screen has more than 2 or more than 1 pixels per point and
    // the file exists. Null when there is no such picture.
    static Image named(std::string_view name, std::string_view directory = {});
    // Wraps pixels drawn in memory; null for a null QImage.
    static Image fromQImage(const QImage& pixels);

    bool isNull() const { return !pixels_; }
    explicit operator bool() const { return !isNull(); }
    int width() const;
    int height() const;
    float scale() const { return scale_; }
    // Width and height divided by the scale.
    CGSize size() const;
    // Whether every pixel is opaque, so it can be copied without blending.
    bool isOpaque() const;

    // The pixels, in a format that paints fast (premultiplied alpha, or
    // 32-bit RGB when the picture has no alpha). Only for the platform's
    // own drawing code; must not be called on a null image.
    const QImage& pixels() const { return *pixels_; }

    // Whether both share the same pixels.
    friend bool operator==(const Image& a, const Image& b) { return a.pixels_ == b.pixels_; }

private:
    explicit Image(std::shared_ptr<const QImage> pixels)
        : pixels_(std::move(pixels))
    { }

    std::shared_ptr<const QImage> pixels_;
    float scale_ = 1;
};

} // namespace platform
