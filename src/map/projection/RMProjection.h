#pragma once

#include "RMFoundation.h"
#include "RMLatLong.h"

#include <memory>
#include <string_view>

struct PJconsts;
struct pj_ctx;

// Converts between geographic coordinates (degrees) and a projected plane
// through the PROJ library, and knows the extent of that plane (its planet
// bounds) and whether eastings wrap around the planet.
//
// The PROJ object is the bare map projection that the definition string
// describes, in the units PROJ gives it: metres for the Mercator and
// transverse Mercator definitions, radians for "+proj=latlong". Datum
// shifts and axis orders named in the definition (+datum, +towgs84,
// +nadgrids, +geoidgrids, +axis) are not applied, as with PROJ's `proj`
// command-line tool.
//
// Main thread only. Instances are shared by counted references.
class RMProjection {
public:
    // A projection from a PROJ definition ("+proj=merc +a=6378137 ...")
    // with the given planet bounds (all zero: unknown); it wraps
    // horizontally. Null, after the log line "Unhandled error creating
    // projection. String is <definition>", when PROJ rejects the
    // definition or it describes no coordinate operation.
    static std::shared_ptr<RMProjection> createWithStringInBounds(
        std::string_view definition, RMProjectedRect bounds);
    // Unknown bounds.
    static std::shared_ptr<RMProjection> createWithString(std::string_view definition);
    // "+proj=latlong +ellps=WGS84" with unknown bounds.
    static std::shared_ptr<RMProjection> create();

    // Shared instances, created on first request and kept for the life of
    // the process.
    // Spherical Mercator, bounds +-20037508.34 m square, wrapping.
    static const std::shared_ptr<RMProjection>& googleProjection();
    // Longitude/latitude on WGS84, bounds -180, -90, 360, 180, wrapping.
    static const std::shared_ptr<RMProjection>& EPSGLatLong();
    // The British National Grid, unknown bounds, not wrapping.
    static const std::shared_ptr<RMProjection>& OSGB();

    ~RMProjection();
    RMProjection(const RMProjection&) = delete;
    RMProjection& operator=(const RMProjection&) = delete;

    // The easting brought into [west edge, east edge] (both inclusive) by
    // whole planet widths; the northing is kept. Unchanged when wrapping is
    // off or the bounds are unknown, and for non-finite eastings.
    RMProjectedPoint wrapPointHorizontally(RMProjectedPoint point) const;

    // The easting as wrapPointHorizontally gives it, the northing clamped
    // into the bounds. Unchanged when the bounds are unknown.
    RMProjectedPoint constrainPointToBounds(RMProjectedPoint point) const;

    // Forward projection. Neither wrapped nor clamped; points outside the
    // projection's domain give whatever PROJ gives (infinities for errors).
    RMProjectedPoint latLongToPoint(RMLatLong latLong) const;
    // Inverse projection, likewise unchecked.
    RMLatLong pointToLatLong(RMProjectedPoint point) const;

    // The PROJ object (PJ*), owned by this projection.
    PJconsts* internalProjection() const { return internalProjection_; }
    RMProjectedRect planetBounds() const { return planetBounds_; }
    bool projectionWrapsHorizontally() const { return projectionWrapsHorizontally_; }
    void setProjectionWrapsHorizontally(bool wraps) { projectionWrapsHorizontally_ = wraps; }

private:
    RMProjection(pj_ctx* context, PJconsts* internalProjection, RMProjectedRect bounds);

    pj_ctx* context_;
    PJconsts* internalProjection_;
    RMProjectedRect planetBounds_;
    bool projectionWrapsHorizontally_ = true;
};
