#pragma once

#include "CGGeometry.h"
#include "Data.h"

#include <memory>
#include <string>

class QImage;

namespace platform {

// A decoded picture (PNG, JPEG and whatever else Qt reads). Copies share the
// pixels. A null image is the answer to bytes or files that hold no picture.
// Sizes are in pixels, which are screen points here.
class Image {
public:
    // The null image.
    Image() = default;
    // Decodes the bytes; null when they are not a picture.
    static Image fromData(const Data& bytes);
    // Reads and decodes the file; null when it cannot be read or decoded.
    static Image fromFile(const std::string& path);
    // Wraps pixels drawn in memory; null for a null QImage.
    static Image fromQImage(const QImage& pixels);

    bool isNull() const { return !pixels_; }
    explicit operator bool() const { return !isNull(); }
    int width() const;
    int height() const;
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
};

} // namespace platform
