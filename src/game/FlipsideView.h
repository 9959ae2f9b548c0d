#pragma once

#include "TextLayer.h"
#include "View.h"

#include <memory>
#include <string>

namespace game {

// The info screen's view: a page of text below the navigation bar, which
// lies over the view's top.
class FlipsideView : public platform::View {
public:
    explicit FlipsideView(CGRect frame = CGRectZero, QWidget* parent = nullptr);

    const std::string& text() const { return text_->text(); }
    void setText(std::string text) { text_->setText(std::move(text)); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOut();

    std::shared_ptr<platform::TextLayer> text_;
};

} // namespace game
