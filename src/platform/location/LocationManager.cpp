#include "LocationManager.h"

#include "DefaultPositionSource.h"

#include <cmath>

namespace platform {

LocationManager::LocationManager(std::unique_ptr<PositionSource> source)
    : source_(source ? std::move(source) : std::make_unique<DefaultPositionSource>())
{
    source_->setHandler(this);
}

LocationManager::~LocationManager()
{
    source_->setHandler(nullptr);
    source_->stop();
}

void LocationManager::setDistanceFilter(double metres)
{
    distanceFilter_ = metres >= 0 ? metres : kDistanceFilterNone;
}

void LocationManager::setDesiredAccuracy(double metres)
{
    desiredAccuracy_ = metres >= 0 ? metres : kLocationAccuracyBest;
}

void LocationManager::startUpdatingLocation()
{
    if (updating_)
        return;
    updating_ = true;
    deliveredSinceStart_ = false;
    source_->start();
}

void LocationManager::stopUpdatingLocation()
{
    if (!updating_)
        return;
    updating_ = false;
    source_->stop();
}

bool LocationManager::locationServicesEnabled() const
{
    return source_->isAvailable();
}

std::string LocationManager::sourceDescription() const
{
    return source_->description();
}

void LocationManager::positionSourceDidUpdate(const Location& location)
{
    if (!updating_ || !base::isValidCoordinate(location.coordinate))
        return;
    // A fix that has not moved far enough still counts when it is more
    // accurate: a player standing still while the receiver settles must
    // not wait for ever on the first, rough fix.
    const bool moreAccurate = location.horizontalAccuracy >= 0
        && (!location_ || location_->horizontalAccuracy < 0
            || location.horizontalAccuracy < location_->horizontalAccuracy);
    if (deliveredSinceStart_ && distanceFilter_ >= 0 && !moreAccurate
        && base::distanceMetres(location_->coordinate, location.coordinate) < distanceFilter_)
        return;
    // Copies: the delegate may destroy this manager, and its source with
    // the fix it lent.
    const Location newLocation = location;
    const std::optional<Location> oldLocation = std::exchange(location_, location);
    deliveredSinceStart_ = true;
    if (delegate_)
        delegate_->locationManagerDidUpdateToLocationFromLocation(*this, newLocation, oldLocation);
}

void LocationManager::positionSourceDidFail(const std::string& error)
{
    if (!updating_)
        return;
    const std::string message = error;
    if (delegate_)
        delegate_->locationManagerDidFailWithError(*this, message);
}

} // namespace platform
