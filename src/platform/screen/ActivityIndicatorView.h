#pragma once

#include "DrawingLayer.h"
#include "Timer.h"
#include "View.h"

#include <memory>

namespace platform {

// A spinning wheel that says "busy". It turns (on the Clock, a step every
// 1/12 s) only while animating and visible, and is hidden when stopped.
// Main thread only.
class ActivityIndicatorView : public View {
public:
    explicit ActivityIndicatorView(CGRect frame = CGRectZero, QWidget* parent = nullptr);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    // The spoke drawn brightest, 0 to 11; it moves on every step.
    int phase() const { return phase_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateTimer();

    std::shared_ptr<DrawingLayer> wheel_;
    Timer stepTimer_;
    bool animating_ = false;
    int phase_ = 0;
};

} // namespace platform
