#pragma once

#include <vector>

namespace platform {

class Touch;

// One touch event of a view: every touch of the current sequence as it is
// at this event. The changed touches go to the view's handlers beside it.
// Owned by the view; handlers get it for the duration of the call.
class Event {
public:
    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    // Every finger of the sequence, in the order they touched down, each in
    // its phase at this event: those that begin, move or rest, and those
    // that lift or are cancelled with this event.
    const std::vector<Touch*>& allTouches() const { return touches_; }
    // Clock time of the event.
    double timestamp() const { return timestamp_; }

private:
    friend class TouchTracker;

    std::vector<Touch*> touches_;
    double timestamp_ = 0;
};

} // namespace platform
