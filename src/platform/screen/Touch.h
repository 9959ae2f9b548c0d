#pragma once

#include "CGGeometry.h"

namespace platform {

class View;

// The phases of a touch, numbered as the platform numbers them.
enum class TouchPhase { Began = 0, Moved = 1, Stationary = 2, Ended = 3, Cancelled = 4 };

// One finger on a view (the mouse's left button counts as a finger), from
// the moment it touches down until it lifts or its sequence is cancelled.
// It is the same object in every event of that finger, so handlers may
// compare touches by address from one call to the next.
//
// Owned by the view it began in; valid until the handler call that reports
// it ended or cancelled returns. Main thread only.
class Touch {
public:
    Touch(const Touch&) = delete;
    Touch& operator=(const Touch&) = delete;

    // The view the touch began in; its events all go to that view.
    View* view() const { return view_; }
    // Where the finger is, in the coordinates of `view` (points, origin at
    // its top left); a null `view` gives the coordinates of the touch's
    // window.
    CGPoint locationInView(const View* view) const;
    // Where the finger was before it last moved, in the same coordinates:
    // the location it touched down at until it first moves. A finger that
    // lifts where it last moved keeps the step of that last move here.
    CGPoint previousLocationInView(const View* view) const;
    TouchPhase phase() const { return phase_; }
    // The number of taps in quick succession this touch belongs to: 1 for
    // a first tap, 2 for the second tap of a double tap, and so on; 0 once
    // the finger has moved too far from where it touched down to tap.
    int tapCount() const { return tapCount_; }
    // Clock time of the touch's last change of phase or location.
    double timestamp() const { return timestamp_; }

private:
    friend class TouchTracker;

    Touch(View* view, CGPoint location, int tapCount, double time);
    CGPoint convert(CGPoint point, const View* view) const;

    View* view_;
    CGPoint start_;
    CGPoint location_;
    CGPoint previousLocation_;
    TouchPhase phase_ = TouchPhase::Began;
    int tapCount_;
    double timestamp_;
};

} // namespace platform
