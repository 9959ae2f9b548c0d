#pragma once

#include "DrawingLayer.h"
#include "Timer.h"
#include "View.h"

#include <QPixmap>
#include <QPointer>

#include <memory>

namespace platform {

// The card flip between two screens of one view: the view's old look turns
// about its vertical axis until seen edge-on, then the new look turns in
// from the other side. Begin it before changing the view's subviews and
// commit it after; it runs on the Clock, over the view, and lets no touch
// through until it ends. Main thread only.
class FlipTransition {
public:
    // Which edge comes towards the viewer first.
    enum class Direction { FromLeft = 1, FromRight = 2 };

    // Takes the view's look now.
    FlipTransition(View& view, Direction direction, double duration);
    ~FlipTransition();
    FlipTransition(const FlipTransition&) = delete;
    FlipTransition& operator=(const FlipTransition&) = delete;

    // Takes the view's new look and starts the flip. The transition runs on
    // by itself once committed, even when this object is gone.
    void commit();

    // Whether a flip is on screen over `view`.
    static bool isFlipping(const View& view);

private:
    QPointer<View> view_;
    Direction direction_;
    double duration_;
    QPixmap before_;
};

} // namespace platform
