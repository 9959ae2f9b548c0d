#pragma once

#include "Color.h"
#include "Font.h"
#include "Layer.h"

#include <string>

namespace platform {

enum class TextAlignment { Left = 0, Center = 1, Right = 2 };

// A layer that draws text in its bounds, over its background colour:
// centred vertically, aligned horizontally as asked, wrapped at word
// boundaries unless limited to one line.
class TextLayer : public Layer {
public:
    TextLayer();

    const std::string& text() const { return text_; }
    void setText(std::string text);
    const Font& font() const { return font_; }
    void setFont(Font font);
    Color textColor() const { return textColor_; }
    void setTextColor(Color color);
    TextAlignment alignment() const { return alignment_; }
    void setAlignment(TextAlignment alignment);
    // The most lines shown; 0 means as many as the text needs.
    int numberOfLines() const { return numberOfLines_; }
    void setNumberOfLines(int lines);

    void drawInContext(QPainter& painter) const override;

private:
    std::string text_;
    Font font_;
    Color textColor_ = Color::black();
    TextAlignment alignment_ = TextAlignment::Left;
    int numberOfLines_ = 1;
};

} // namespace platform
