#include "RMProjection.h"

#include "Log.h"
#include "RMEastingWrap.h"

#include <proj.h>

#include <string>

namespace {

constexpr double radiansPerDegree = 0.017453292519943295;
constexpr double degreesPerRadian = 57.29577951308232;

constexpr std::string_view googleDefinition
    = "+title= Google Mercator EPSG:900913\t\t\t\t   "
      "+proj=merc +a=6378137 +b=6378137 +lat_ts=0.0 +lon_0=0.0 +x_0=0.0 "
      "+y_0=0 +k=1.0 +units=m +nadgrids=@null +no_defs";
constexpr std::string_view latLongDefinition = "+proj=latlong +ellps=WGS84";
constexpr std::string_view osgbDefinition = "+proj=tmerc +lat_0=49 +lon_0=-2 +k=0.999601 +x_0=400000 "
                                            "+y_0=-100000 +ellps=airy +datum=OSGB36 +units=m +no_defs";

// Given a bare projection string, PROJ emulates cs2cs: it applies the datum
// shift, grid shift and axis order that the string names around every call,
// taking the input to be WGS84. Our projections are the map projections
// alone, as PROJ's own `proj` tool computes them; this PROJ parameter, which
// that tool sets too, switches the emulation off (and saves the @null grid
// lookup of the Mercator definition on every call).
constexpr std::string_view bareProjectionParameter = " +break_cs2cs_recursion";

bool isCoordinateOperation(PJ* object)
{
    switch (proj_get_type(object)) {
    case PJ_TYPE_CONVERSION:
    case PJ_TYPE_TRANSFORMATION:
    case PJ_TYPE_CONCATENATED_OPERATION:
    case PJ_TYPE_OTHER_COORDINATE_OPERATION:
        return true;
    default:
        return false;
    }
}

} // namespace

std::shared_ptr<RMProjection> RMProjection::createWithStringInBounds(
    std::string_view definition, RMProjectedRect bounds)
{
    PJ_CONTEXT* context = nullptr;
    PJ* projection = nullptr;
    // An embedded NUL would hand PROJ only the text before it.
    if (definition.find('\0') == std::string_view::npos) {
        context = proj_context_create();
        if (context) {
            // Rejections are reported by our own log line alone.
            proj_log_level(context, PJ_LOG_NONE);
            const std::string text = std::string(definition) + std::string(bareProjectionParameter);
            projection = proj_create(context, text.c_str());
        }
    }
    if (!projection || !isCoordinateOperation(projection)) {
        base::logf("Unhandled error creating projection. String is {}", definition);
        proj_destroy(projection);
        if (context)
            proj_context_destroy(context);
        return nullptr;
    }
    return std::shared_ptr<RMProjection>(new RMProjection(context, projection, bounds));
}

std::shared_ptr<RMProjection> RMProjection::createWithString(std::string_view definition)
{
    return createWithStringInBounds(definition, RMMakeProjectedRect(0, 0, 0, 0));
}

std::shared_ptr<RMProjection> RMProjection::create()
{
    return createWithString(latLongDefinition);
}

// The shared instances are deliberately never destroyed: they live until the
// process ends, after any object that might still hold or use them.
const std::shared_ptr<RMProjection>& RMProjection::googleProjection()
{
    static const auto* google = new std::shared_ptr<RMProjection>(createWithStringInBounds(
        googleDefinition, RMMakeProjectedRect(-20037508.34, -20037508.34, 40075016.68, 40075016.68)));
    return *google;
}

const std::shared_ptr<RMProjection>& RMProjection::EPSGLatLong()
{
    static const auto* latlong = new std::shared_ptr<RMProjection>(
        createWithStringInBounds(latLongDefinition, RMMakeProjectedRect(-180, -90, 360, 180)));
    return *latlong;
}

const std::shared_ptr<RMProjection>& RMProjection::OSGB()
{
    static const auto* osgb = [] {
        auto* projection = new std::shared_ptr<RMProjection>(createWithString(osgbDefinition));
        if (*projection)
            (*projection)->setProjectionWrapsHorizontally(false);
        return projection;
    }();
    return *osgb;
}

RMProjection::RMProjection(PJ_CONTEXT* context, PJ* internalProjection, RMProjectedRect bounds)
    : context_(context)
    , internalProjection_(internalProjection)
    , planetBounds_(bounds)
{ }

RMProjection::~RMProjection()
{
    proj_destroy(internalProjection_);
    proj_context_destroy(context_);
}

RMProjectedPoint RMProjection::wrapPointHorizontally(RMProjectedPoint point) const
{
    if (!projectionWrapsHorizontally_ || planetBounds_.size.width == 0 || planetBounds_.size.height == 0)
        return point;
    point.easting = RMWrapEasting(point.easting, planetBounds_.origin.easting, planetBounds_.size.width);
    return point;
}

RMProjectedPoint RMProjection::constrainPointToBounds(RMProjectedPoint point) const
{
    if (planetBounds_.size.width == 0 || planetBounds_.size.height == 0)
        return point;
    point.easting = wrapPointHorizontally(point).easting;
    const double south = planetBounds_.origin.northing;
    const double north = south + planetBounds_.size.height;
    if (point.northing < south)
        point.northing = south;
    else if (point.northing > north)
        point.northing = north;
    return point;
}

RMProjectedPoint RMProjection::latLongToPoint(RMLatLong latLong) const
{
    const PJ_COORD in
        = proj_coord(latLong.longitude * radiansPerDegree, latLong.latitude * radiansPerDegree, 0, 0);
    const PJ_COORD out = proj_trans(internalProjection_, PJ_FWD, in);
    return { out.xy.x, out.xy.y };
}

RMLatLong RMProjection::pointToLatLong(RMProjectedPoint point) const
{
    const PJ_COORD out
        = proj_trans(internalProjection_, PJ_INV, proj_coord(point.easting, point.northing, 0, 0));
    return { out.lp.phi * degreesPerRadian, out.lp.lam * degreesPerRadian };
}
