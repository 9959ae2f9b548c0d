#pragma once

namespace base {

// A point on the earth: latitude and longitude in degrees (WGS 84, as
// positioning devices report them).
struct GeoPoint {
    double latitude = 0; // −90 to 90
    double longitude = 0; // −180 to 180
    friend bool operator==(const GeoPoint&, const GeoPoint&) = default;
};

// Whether both values are finite, the latitude within ±90 and the longitude
// within ±180 degrees.
bool isValidCoordinate(GeoPoint point);

// The geodesy of the game: great circles on a sphere of the earth's mean
// radius (IUGG, in metres). Within a few hundred metres (all the game
// measures) the error against the ellipsoid stays below 0.5 %.
inline constexpr double kEarthRadiusMetres = 6371008.8;

// The distance between two points, in metres.
double distanceMetres(GeoPoint from, GeoPoint to);

// The initial bearing of the great circle from `from` to `to`, in radians
// clockwise from north (−π to π); 0 between equal points.
double bearingRadians(GeoPoint from, GeoPoint to);

// The point `metres` away from `from` along the initial bearing
// `bearingRadians` (0 north, π/2 east). Longitudes come back within −180 to
// 180; a path over a pole comes down the other side.
GeoPoint destination(GeoPoint from, double bearingRadians, double metres);

} // namespace base
