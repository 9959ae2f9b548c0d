#pragma once

#include "RMLatLong.h"
#include "RMOptionalOperations.h"

// Told which geographic region the map has just loaded tiles for. Its one
// operation is optional: a delegate implements it by also deriving from
// RegionUpdate; the contents ask (`Operations`) when the delegate is set.
// Delegates are not owned.
class RMTilesUpdateDelegate {
public:
    RMTilesUpdateDelegate() = default;
    virtual ~RMTilesUpdateDelegate() = default;
    RMTilesUpdateDelegate(const RMTilesUpdateDelegate&) = delete;
    RMTilesUpdateDelegate& operator=(const RMTilesUpdateDelegate&) = delete;

    class RegionUpdate {
    public:
        virtual void regionUpdate(RMLatLongBounds region) = 0;

    protected:
        ~RegionUpdate() = default;
    };

    using Operations = RMOptionalOperations<RegionUpdate>;
};
