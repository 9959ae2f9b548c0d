#pragma once

#include "CGGeometry.h"
#include "Event.h"
#include "Touch.h"

#include <memory>
#include <vector>

namespace platform {

class View;

// Follows the fingers on one view through touch sequences: keeps one Touch
// per finger, counts taps and sorts the changes of each input event by
// phase. A view feeds it one batch per input event: beginBatch, the
// changes of that event's fingers, then, after the changed touches have
// been handed out, endBatch. Main thread only.
class TouchTracker {
public:
    // A finger: the device it is on and its number there. The mouse is a
    // device with a single finger.
    struct Finger {
        const void* device = nullptr;
        int id = 0;
        friend bool operator==(const Finger&, const Finger&) = default;
    };

    // When a touch continues the tap count of the tap before it.
    struct TapRules {
        // Seconds from the end of a tap to the touch-down of the next one.
        double interval = 0.4;
        // Points from where a tap lifted to where the next one touches down.
        float distance = 5;
        // Points a finger may move from where it touched down and still tap.
        float slop = 10;
    };

    // The touches changed by the current batch, in the order their fingers
    // touched down.
    struct Changes {
        std::vector<Touch*> began;
        std::vector<Touch*> moved;
        std::vector<Touch*> ended;
        std::vector<Touch*> cancelled;
        bool empty() const { return began.empty() && moved.empty() && ended.empty() && cancelled.empty(); }
    };

    static constexpr double kRestBeforeLift = 0.1;

    explicit TouchTracker(View* view);
    TouchTracker(const TouchTracker&) = delete;
    TouchTracker& operator=(const TouchTracker&) = delete;

    // Off (the default): a finger that touches down while another is down
    // is ignored, and so is everything it does afterwards.
    bool isMultipleTouchEnabled() const { return multipleTouchEnabled_; }
    void setMultipleTouchEnabled(bool enabled) { multipleTouchEnabled_ = enabled; }

    // Whether the finger is down (being followed).
    bool contains(Finger finger) const;
    bool containsDevice(const void* device) const;
    bool empty() const { return touches_.empty(); }

    // Starts the batch of one input event at Clock time `time`.
    void beginBatch(double time, TapRules rules);
    // A finger touched down; one already down just moves there.
    void press(Finger finger, CGPoint location);
    // A finger moved; unknown fingers are ignored, and so are moves that
    // leave it where it was.
    void move(Finger finger, CGPoint location);
    // A finger lifted at `location`; unknown fingers are ignored. Lifting
    // in place right after a move keeps that move as the last step (a
    // flick); a finger that rested longer than kRestBeforeLift seconds
    // lifts with no step left.
    void release(Finger finger, CGPoint location);
    void cancel(Finger finger);
    void cancelDevice(const void* device);
    void cancelAll();

    Changes changes() const;
    // Every touch as it is in the current batch.
    const Event& event() const { return event_; }
    // Forgets the touches that ended or were cancelled; the others rest
    // (phase stationary) until the next batch changes them.
    void endBatch();

private:
    struct Tracked {
        Finger finger;
        std::unique_ptr<Touch> touch;
    };
    // Where and when the last tap lifted, and its tap count.
    struct LastTap {
        CGPoint location;
        double time = 0;
        int count = 0;
    };

    Tracked* find(Finger finger);
    void moveTo(Touch& touch, CGPoint location);
    void finish(Touch& touch, TouchPhase phase);

    View* view_;
    bool multipleTouchEnabled_ = false;
    std::vector<Tracked> touches_;
    LastTap lastTap_;
    TapRules rules_;
    double time_ = 0;
    Event event_;
};

} // namespace platform
