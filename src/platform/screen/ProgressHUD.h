#pragma once

#include "ActivityIndicatorView.h"
#include "DrawingLayer.h"
#include "View.h"

#include <memory>
#include <string>

namespace platform {

// A progress indicator over a screen: a dark box in the middle with a
// spinning wheel and one line of text. It covers the view it is made for
// (following its size) and lets touches through to what lies under it.
// Main thread only.
class ProgressHUD : public View {
public:
    // Sized to cover `window`; the caller adds it as a subview of it.
    explicit ProgressHUD(View& window);
    ~ProgressHUD() override;

    const std::string& text() const { return text_; }
    void setText(std::string text);
    // True shows the indicator, false hides it.
    void show(bool show);
    bool isShown() const { return shown_; }

    // Non-opaque is all an indicator can be here.
    void setOpaque(bool) { }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOut();

    std::shared_ptr<DrawingLayer> box_;
    ActivityIndicatorView* wheel_;
    std::string text_;
    bool shown_ = false;
};

} // namespace platform
