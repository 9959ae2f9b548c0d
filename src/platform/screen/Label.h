#pragma once

#include "Autoresizing.h"
#include "CGGeometry.h"
#include "Color.h"
#include "Font.h"
#include "TextLayer.h"

#include <memory>
#include <string>

namespace platform {

// A text label view, as markers show under their pictures. All its drawing
// is done by its layer (a TextLayer), which the owner puts into the layer
// tree; frame and hidden state are the layer's.
class Label {
public:
    explicit Label(CGRect frame = CGRect {});
    Label(const Label&) = delete;
    Label& operator=(const Label&) = delete;

    CGRect frame() const { return layer_->frame(); }
    void setFrame(CGRect frame) { layer_->setFrame(frame); }
    const std::string& text() const { return layer_->text(); }
    void setText(std::string text) { layer_->setText(std::move(text)); }
    // Default: the system font at 17 points.
    const Font& font() const { return layer_->font(); }
    void setFont(Font font) { layer_->setFont(std::move(font)); }
    // Default: black.
    Color textColor() const { return layer_->textColor(); }
    void setTextColor(Color color) { layer_->setTextColor(color); }
    // Default: clear.
    Color backgroundColor() const { return layer_->backgroundColor(); }
    void setBackgroundColor(Color color) { layer_->setBackgroundColor(color); }
    // Default: left.
    TextAlignment textAlignment() const { return layer_->alignment(); }
    void setTextAlignment(TextAlignment alignment) { layer_->setAlignment(alignment); }
    // Default 1; 0 means as many lines as the text needs.
    int numberOfLines() const { return layer_->numberOfLines(); }
    void setNumberOfLines(int lines) { layer_->setNumberOfLines(lines); }
    // Stored for the owner's layout; the label itself never resizes.
    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
    bool isHidden() const { return layer_->isHidden(); }
    void setHidden(bool hidden) { layer_->setHidden(hidden); }

    const std::shared_ptr<TextLayer>& layer() const { return layer_; }

private:
    std::shared_ptr<TextLayer> layer_;
    unsigned autoresizingMask_ = 0;
};

} // namespace platform
