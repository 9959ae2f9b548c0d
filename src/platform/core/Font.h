#pragma once

#include "CGGeometry.h"

#include <memory>
#include <string_view>

class QFont;

namespace platform {

// A typeface at a size. Sizes are points, which are screen points (pixels at
// scale 1) here, so text measures the same whatever the screen's DPI.
class Font {
public:
    // The platform's system font at `pointSize` (whole points; at least 1).
    static Font systemFontOfSize(float pointSize);
    // The same in bold.
    static Font boldSystemFontOfSize(float pointSize);

    float pointSize() const { return pointSize_; }
    // The height of one line of text.
    float lineHeight() const;
    // For the platform's drawing code.
    const QFont& qfont() const { return *font_; }

    friend bool operator==(const Font& a, const Font& b);

private:
    Font(std::shared_ptr<const QFont> font, float pointSize)
        : font_(std::move(font))
        , pointSize_(pointSize)
    { }

    std::shared_ptr<const QFont> font_;
    float pointSize_;
};

// The size of `text` drawn in `font` as one line (line breaks count as
// spaces), rounded up to whole points.
CGSize sizeWithFont(std::string_view text, const Font& font);

} // namespace platform
