#pragma once

#include "Event.h"
#include "Touch.h"

#include <vector>

// A kind of marker that handles its own touches. A marker class derives
// from this beside RMMarker; the map view then hands it the touches that
// land on it (the first changed touch hit-tests on it) instead of panning,
// zooming or tapping. Plain markers handle no touches: the view does that
// for them. Main thread only.
class RMMarkerTouchHandler {
public:
    virtual void touchesBegan(const std::vector<platform::Touch*>& touches, const platform::Event& event) = 0;
    virtual void touchesMoved(const std::vector<platform::Touch*>& touches, const platform::Event& event) = 0;
    virtual void touchesEnded(const std::vector<platform::Touch*>& touches, const platform::Event& event) = 0;
    virtual void touchesCancelled(const std::vector<platform::Touch*>& touches, const platform::Event& event)
        = 0;

protected:
    ~RMMarkerTouchHandler() = default;
};
