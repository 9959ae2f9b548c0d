#pragma once

#include "Location.h"
#include "LocationManagerDelegate.h"
#include "PositionSource.h"

#include <memory>
#include <optional>
#include <string>

namespace platform {

// The positioning manager: starts and stops a position source and passes
// its fixes to a delegate (not owned), filtered by distance. Main thread
// only.
class LocationManager : private PositionSource::Handler {
public:
    static constexpr double kDistanceFilterNone = -1;
    static constexpr double kLocationAccuracyBest = -1;

    // Takes the source of its fixes; null: the system's default source.
    explicit LocationManager(std::unique_ptr<PositionSource> source);
    ~LocationManager();
    LocationManager(const LocationManager&) = delete;
    LocationManager& operator=(const LocationManager&) = delete;

    void setDelegate(LocationManagerDelegate* delegate) { delegate_ = delegate; }
    LocationManagerDelegate* delegate() const { return delegate_; }

    // Metres: after a fix is delivered, the next one is delivered only once
    // the position has moved at least this far from it (a fix without
    // valid accuracy counts as a fix), or is more accurate than it. The
    // first fix after each start is always delivered. Negative or not a number: kDistanceFilterNone,
    // every fix.
    void setDistanceFilter(double metres);
    double distanceFilter() const { return distanceFilter_; }
    // Metres; negative or not a number: kLocationAccuracyBest. Kept for
    // callers: every source gives the best fixes it can.
    void setDesiredAccuracy(double metres);
    double desiredAccuracy() const { return desiredAccuracy_; }

    // Starting while updating, or stopping while not, does nothing. Fixes
    // and failures reach the delegate only while updating.
    void startUpdatingLocation();
    void stopUpdatingLocation();
    bool isUpdating() const { return updating_; }

    // Whether the source can give fixes.
    bool locationServicesEnabled() const;
    // The last fix delivered to the delegate, kept after stopping.
    std::optional<Location> location() const { return location_; }
    // What the source is, for messages.
    std::string sourceDescription() const;

private:
    void positionSourceDidUpdate(const Location& location) override;
    void positionSourceDidFail(const std::string& error) override;

    std::unique_ptr<PositionSource> source_;
    LocationManagerDelegate* delegate_ = nullptr;
    double distanceFilter_ = kDistanceFilterNone;
    double desiredAccuracy_ = kLocationAccuracyBest;
    bool updating_ = false;
    bool deliveredSinceStart_ = false;
    std::optional<Location> location_;
};

} // namespace platform
