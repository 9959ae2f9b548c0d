#include "TouchTracker.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

float distance(CGPoint a, CGPoint b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

} // namespace

TouchTracker::TouchTracker(View* view)
    : view_(view)
{ }

TouchTracker::Tracked* TouchTracker::find(Finger finger)
{
    const auto found = std::ranges::find(touches_, finger, &Tracked::finger);
    return found == touches_.end() ? nullptr : &*found;
}

bool TouchTracker::contains(Finger finger) const
{
    return std::ranges::find(touches_, finger, &Tracked::finger) != touches_.end();
}

bool TouchTracker::containsDevice(const void* device) const
{
    return std::ranges::any_of(
        touches_, [device](const Tracked& tracked) { return tracked.finger.device == device; });
}

void TouchTracker::beginBatch(double time, TapRules rules)
{
    time_ = time;
    rules_ = rules;
    event_.timestamp_ = time;
}

void TouchTracker::press(Finger finger, CGPoint location)
{
    if (Tracked* tracked = find(finger)) {
        moveTo(*tracked->touch, location);
        return;
    }
    if (!multipleTouchEnabled_ && !touches_.empty())
        return;
    const bool continuesTaps = lastTap_.count > 0 && time_ - lastTap_.time <= rules_.interval
        && distance(location, lastTap_.location) <= rules_.distance;
    const int tapCount = continuesTaps ? lastTap_.count + 1 : 1;
    auto touch = std::unique_ptr<Touch>(new Touch(view_, location, tapCount, time_));
    event_.touches_.push_back(touch.get());
    touches_.push_back(Tracked { finger, std::move(touch) });
}

void TouchTracker::moveTo(Touch& touch, CGPoint location)
{
    if (touch.location_.x == location.x && touch.location_.y == location.y)
        return;
    touch.previousLocation_ = touch.location_;
    touch.location_ = location;
    touch.timestamp_ = time_;
    if (touch.phase_ != TouchPhase::Began)
        touch.phase_ = TouchPhase::Moved;
    if (touch.tapCount_ > 0 && distance(location, touch.start_) > rules_.slop)
        touch.tapCount_ = 0;
}

void TouchTracker::move(Finger finger, CGPoint location)
{
    if (Tracked* tracked = find(finger))
        moveTo(*tracked->touch, location);
}

void TouchTracker::finish(Touch& touch, TouchPhase phase)
{
    touch.phase_ = phase;
    touch.timestamp_ = time_;
    if (phase == TouchPhase::Ended && touch.tapCount_ > 0)
        lastTap_ = LastTap { touch.location_, time_, touch.tapCount_ };
    else
        lastTap_ = LastTap {};
}

void TouchTracker::release(Finger finger, CGPoint location)
{
    Tracked* tracked = find(finger);
    if (!tracked)
        return;
    Touch& touch = *tracked->touch;
    moveTo(touch, location);
    if (time_ - touch.timestamp_ > kRestBeforeLift)
        touch.previousLocation_ = touch.location_;
    finish(touch, TouchPhase::Ended);
}

void TouchTracker::cancel(Finger finger)
{
    if (Tracked* tracked = find(finger))
        finish(*tracked->touch, TouchPhase::Cancelled);
}

void TouchTracker::cancelDevice(const void* device)
{
    for (Tracked& tracked : touches_) {
        if (tracked.finger.device == device)
            finish(*tracked.touch, TouchPhase::Cancelled);
    }
}

void TouchTracker::cancelAll()
{
    for (Tracked& tracked : touches_)
        finish(*tracked.touch, TouchPhase::Cancelled);
}

TouchTracker::Changes TouchTracker::changes() const
{
    Changes changes;
    for (const Tracked& tracked : touches_) {
        Touch* touch = tracked.touch.get();
        switch (touch->phase_) {
        case TouchPhase::Began:
            changes.began.push_back(touch);
            break;
        case TouchPhase::Moved:
            changes.moved.push_back(touch);
            break;
        case TouchPhase::Stationary:
            break;
        case TouchPhase::Ended:
            changes.ended.push_back(touch);
            break;
        case TouchPhase::Cancelled:
            changes.cancelled.push_back(touch);
            break;
        }
    }
    return changes;
}

void TouchTracker::endBatch()
{
    const auto finished = [](const Touch* touch) {
        return touch->phase_ == TouchPhase::Ended || touch->phase_ == TouchPhase::Cancelled;
    };
    std::erase_if(event_.touches_, finished);
    std::erase_if(touches_, [&finished](const Tracked& tracked) { return finished(tracked.touch.get()); });
    for (Tracked& tracked : touches_)
        tracked.touch->phase_ = TouchPhase::Stationary;
}

} // namespace platform
