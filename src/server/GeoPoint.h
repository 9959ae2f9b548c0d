#pragma once

namespace server {

// A point on the earth: latitude and longitude in degrees (WGS84, as the players' devices report them).
struct GeoPoint {
    double latitude = 0; // −90 to 90
    double longitude = 0; // −180 to 180
    friend bool operator==(const GeoPoint&, const GeoPoint&) = default;
};

// The great-circle distance between two points, in metres, on a sphere of the earth's mean radius.
// Within a few hundred metres (all the game measures) the error against the ellipsoid stays below 0.5 %.
double distanceMetres(GeoPoint from, GeoPoint to);

// The point `metres` away from `from` along the initial bearing `bearingRadians` (0 north, π/2 east).
// Longitudes come back within −180 to 180; a path over a pole comes down the other side.
GeoPoint destination(GeoPoint from, double bearingRadians, double metres);

} // namespace server
