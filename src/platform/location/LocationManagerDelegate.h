#pragma once

#include "Location.h"

#include <optional>
#include <string>

namespace platform {

class LocationManager;

// Hears a LocationManager, on the main thread. Either callback may destroy
// the manager.
class LocationManagerDelegate {
public:
    virtual ~LocationManagerDelegate() = default;
    // A new fix passed the distance filter; `oldLocation` is the fix
    // delivered before it, if any.
    virtual void locationManagerDidUpdateToLocationFromLocation(
        LocationManager& manager, const Location& newLocation, const std::optional<Location>& oldLocation)
        = 0;
    // The position source failed; `error` says which source and why.
    // Updates stay on.
    virtual void locationManagerDidFailWithError(LocationManager& manager, const std::string& error) = 0;
};

} // namespace platform
