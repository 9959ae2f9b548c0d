#pragma once

#include "CGGeometry.h"
#include "Color.h"
#include "Font.h"
#include "Image.h"
#include "RMFoundation.h"
#include "RMMapLayer.h"
#include "RMMovingMapLayer.h"

#include <any>
#include <memory>
#include <string>

namespace platform {
class Label;
}

// A picture pinned to a map position. The layer's bounds are the picture's
// size and its anchor point (unit coordinates, (0, 0) top left) is the point
// of the picture that sits on the position. Markers keep their size when
// the map zooms, and may show a text label (a sublayer, not clipped). The
// marker manager places them in the map's overlay; the map view handles
// their touches. Screen points; main thread only.
class RMMarker : public RMMapLayer, public RMMovingMapLayer {
public:
    // No picture; black text on a clear background for labels.
    RMMarker();
    // The picture with its centre on the position.
    explicit RMMarker(const platform::Image& image);
    RMMarker(const platform::Image& image, CGPoint anchorPoint);
    ~RMMarker() override;

    // The platform's system font at 15 points.
    static platform::Font defaultFont();

    // New picture, bounds and anchor; label and data stay.
    void replaceUIImage(const platform::Image& image);
    void replaceUIImageAnchorPoint(const platform::Image& image, CGPoint anchorPoint);

    // The label view; its layer is the marker's topmost sublayer while shown.
    const std::shared_ptr<platform::Label>& labelView() const { return labelView_; }
    // Replaces the label (null removes it); the same label changes nothing.
    void setLabel(std::shared_ptr<platform::Label> label);
    // A label of the text in the default font and the current colours,
    // centred horizontally on the picture, 4 points below its top.
    void changeLabelUsingText(const std::string& text);
    // The same label with its top left at `position` (marker coordinates).
    void changeLabelUsingTextPosition(const std::string& text, CGPoint position);
    // Stores the colours as the marker's text colours, then a centred label.
    void changeLabelUsingTextFontForegroundColorBackgroundColor(const std::string& text,
        const platform::Font& font, platform::Color foregroundColor, platform::Color backgroundColor);
    // A label at `position`, sized to the text measured as one line plus 4
    // points each way, any number of lines, centred text; stores the colours.
    void changeLabelUsingTextPositionFontForegroundColorBackgroundColor(const std::string& text,
        CGPoint position, const platform::Font& font, platform::Color foregroundColor,
        platform::Color backgroundColor);
    // A hidden label is flagged hidden and out of the layer tree.
    void showLabel();
    void hideLabel();
    void toggleLabel();

    // The position scales about the pivot; the size stays.
    void zoomByFactorNear(float factor, CGPoint pivot) override;

    RMProjectedPoint projectedLocation() const override { return projectedLocation_; }
    void setProjectedLocation(RMProjectedPoint location) override { projectedLocation_ = location; }
    // The owner's payload (the game keeps its game object here).
    const std::any& data() const { return data_; }
    void setData(std::any data) { data_ = std::move(data); }
    platform::Color textForegroundColor() const { return textForegroundColor_; }
    void setTextForegroundColor(platform::Color color) { textForegroundColor_ = color; }
    platform::Color textBackgroundColor() const { return textBackgroundColor_; }
    void setTextBackgroundColor(platform::Color color) { textBackgroundColor_ = color; }

private:
    CGPoint centredLabelPosition(const std::string& text, const platform::Font& font) const;

    RMProjectedPoint projectedLocation_;
    std::any data_;
    std::shared_ptr<platform::Label> labelView_;
    platform::Color textForegroundColor_ = platform::Color::black();
    platform::Color textBackgroundColor_ = platform::Color::clear();
};
