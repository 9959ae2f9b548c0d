#pragma once

#include "RMMapView.h"

#include <QPointer>

#include <utility>

// Whether a map view still exists: delegate callbacks may destroy the view
// that calls them, and the view must not touch itself afterwards.
class RMMapViewAlive {
public:
    explicit RMMapViewAlive(RMMapView* view)
        : view_(view)
    { }

    explicit operator bool() const { return !view_.isNull(); }

    // Runs `call`; whether the view outlived it.
    template<typename Call> bool after(Call&& call) const
    {
        std::forward<Call>(call)();
        return !view_.isNull();
    }

private:
    QPointer<RMMapView> view_;
};
