#include "RMProjection.h"
#include "LogCapture.h"
#include "MapTestPrinters.h"

#include <proj.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double eastEdge = 20037508.34;
constexpr double westEdge = -20037508.34;
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

const RMProjection& google()
{
    return *RMProjection::googleProjection();
}

TEST(RMProjectionSharedInstances, AreCreatedOnceAndHaveTheirBoundsAndWrapping)
{
    ASSERT_NE(RMProjection::googleProjection(), nullptr);
    EXPECT_EQ(RMProjection::googleProjection(), RMProjection::googleProjection());
    ASSERT_NE(RMProjection::EPSGLatLong(), nullptr);
    EXPECT_EQ(RMProjection::EPSGLatLong(), RMProjection::EPSGLatLong());
    ASSERT_NE(RMProjection::OSGB(), nullptr);
    EXPECT_EQ(RMProjection::OSGB(), RMProjection::OSGB());

    EXPECT_EQ(google().planetBounds(), RMMakeProjectedRect(westEdge, westEdge, 40075016.68, 40075016.68));
    EXPECT_TRUE(google().projectionWrapsHorizontally());
    EXPECT_EQ(RMProjection::EPSGLatLong()->planetBounds(), RMMakeProjectedRect(-180, -90, 360, 180));
    EXPECT_TRUE(RMProjection::EPSGLatLong()->projectionWrapsHorizontally());
    EXPECT_EQ(RMProjection::OSGB()->planetBounds(), RMMakeProjectedRect(0, 0, 0, 0));
    EXPECT_FALSE(RMProjection::OSGB()->projectionWrapsHorizontally());
}

TEST(RMProjectionSharedInstances, GoogleIsBuiltFromTheTitledMercatorDefinition)
{
    // PROJ keeps the title's text up to the next parameter: the blanks and
    // four tabs between title and "+proj" show that the definition reached
    // PROJ character for character.
    const PJ_PROJ_INFO info = proj_pj_info(google().internalProjection());
    EXPECT_STREQ(info.id, "merc");
    EXPECT_STREQ(info.description, " Google Mercator EPSG:900913\t\t\t\t  ");
    EXPECT_EQ(std::string(info.definition)
                  .find("proj=merc a=6378137 b=6378137 lat_ts=0.0 lon_0=0.0 x_0=0.0 y_0=0 "
                        "k=1.0 units=m nadgrids=@null no_defs"),
        0u);
}

TEST(RMProjectionCreation, WrapsHorizontallyWithTheGivenBoundsAndDefaultsToLatitudeLongitude)
{
    const auto projection
        = RMProjection::createWithStringInBounds("+proj=merc +R=1000", RMMakeProjectedRect(1, 2, 3, 4));
    ASSERT_NE(projection, nullptr);
    EXPECT_EQ(projection->planetBounds(), RMMakeProjectedRect(1, 2, 3, 4));
    EXPECT_TRUE(projection->projectionWrapsHorizontally());

    const auto unbounded = RMProjection::createWithString("+proj=merc +R=1000");
    ASSERT_NE(unbounded, nullptr);
    EXPECT_EQ(unbounded->planetBounds(), RMMakeProjectedRect(0, 0, 0, 0));
    EXPECT_TRUE(unbounded->projectionWrapsHorizontally());

    const auto byDefault = RMProjection::create();
    ASSERT_NE(byDefault, nullptr);
    EXPECT_EQ(byDefault->planetBounds(), RMMakeProjectedRect(0, 0, 0, 0));
    EXPECT_STREQ(proj_pj_info(byDefault->internalProjection()).id, "latlong");
}

TEST(RMProjectionCreation, RejectedDefinitionsGiveNullAndOneLogLine)
{
    const std::vector<std::string> definitions = {
        "+proj=nosuchprojection",
        "garbage",
        "",
        "+proj=merc +lat_ts=100",
        "+proj=merc +type=crs",
        "EPSG:3857",
        std::string("+proj=merc\0+a=1", 15),
    };
    for (const std::string& definition : definitions) {
        SCOPED_TRACE(definition);
        vantry::test::LogCapture log;
        EXPECT_EQ(RMProjection::createWithString(definition), nullptr);
        EXPECT_EQ(log.take(),
            std::vector<std::string> { "Unhandled error creating projection. String is " + definition });
    }
}

TEST(RMProjectionMercator, MapsTheEquatorAndPrimeMeridian)
{
    EXPECT_EQ(google().latLongToPoint({ 0, 0 }), (RMProjectedPoint { 0, 0 }));
    EXPECT_EQ(google().pointToLatLong({ 0, 0 }), (RMLatLong { 0, 0 }));

    const RMProjectedPoint dateLine = google().latLongToPoint({ 0, 180 });
    EXPECT_NEAR(dateLine.easting, eastEdge, 0.01);
    EXPECT_EQ(dateLine.northing, 0);
    EXPECT_NEAR(google().latLongToPoint({ 0, -180 }).easting, westEdge, 0.01);
    EXPECT_NEAR(google().latLongToPoint({ 85.0511287798066, 0 }).northing, eastEdge, 0.01);
}

TEST(RMProjectionMercator, RoundTripsWithinTheMercatorLatitudes)
{
    const RMLatLong points[] = {
        { -33.858771, 151.201596 },
        { 51.477928, -0.001545 },
        { 85.05, 179.999 },
        { -85.05, -179.999 },
        { 0.000001, -0.000001 },
        { 45, 90 },
    };
    for (const RMLatLong& point : points) {
        SCOPED_TRACE(::testing::PrintToString(point));
        const RMLatLong back = google().pointToLatLong(google().latLongToPoint(point));
        EXPECT_NEAR(back.latitude, point.latitude, 1e-9);
        EXPECT_NEAR(back.longitude, point.longitude, 1e-9);
    }
}

TEST(RMProjectionLatLong, GivesRadiansAsPROJDoes)
{
    const RMProjectedPoint point = RMProjection::EPSGLatLong()->latLongToPoint({ 50, 10 });
    EXPECT_NEAR(point.easting, 10 * 0.017453292519943295, 1e-15);
    EXPECT_NEAR(point.northing, 50 * 0.017453292519943295, 1e-15);
    const RMLatLong back = RMProjection::EPSGLatLong()->pointToLatLong(point);
    EXPECT_NEAR(back.latitude, 50, 1e-12);
    EXPECT_NEAR(back.longitude, 10, 1e-12);
}

TEST(RMProjectionOSGB, IsTheBareTransverseMercatorWithoutDatumShift)
{
    // With the OSGB36 datum shift that PROJ would otherwise apply, this point
    // would come out about 110 m off, at (468748.54, 233978.25).
    const RMProjectedPoint point = RMProjection::OSGB()->latLongToPoint({ 52, -1 });
    EXPECT_NEAR(point.easting, 468643.089485916, 1e-6);
    EXPECT_NEAR(point.northing, 234025.699141600, 1e-6);
}

struct WrapCase {
    RMProjectedPoint point;
    RMProjectedPoint wrapped;
};

TEST(RMProjectionWrapping, BringsEastingsIntoThePlanetAndKeepsNorthings)
{
    const WrapCase cases[] = {
        { { eastEdge + 1000, 5 }, { westEdge + 1000, 5 } },
        { { westEdge - 1000, -5 }, { eastEdge - 1000, -5 } },
        { { eastEdge, 1e9 }, { eastEdge, 1e9 } },
        { { westEdge, 0 }, { westEdge, 0 } },
        { { 12345.678, 0 }, { 12345.678, 0 } },
        { { 3 * 40075016.68 + 100, 7 }, { 100, 7 } },
        { { -2 * 40075016.68 - 100, 7 }, { -100, 7 } },
    };
    for (const WrapCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.point));
        const RMProjectedPoint wrapped = google().wrapPointHorizontally(c.point);
        EXPECT_NEAR(wrapped.easting, c.wrapped.easting, 1e-6);
        EXPECT_EQ(wrapped.northing, c.wrapped.northing);
    }
}

TEST(RMProjectionWrapping, LeavesPointsAloneWhenOffOrUnbounded)
{
    const RMProjectedPoint farEast { 9e7, 1 };
    EXPECT_EQ(RMProjection::OSGB()->wrapPointHorizontally(farEast), farEast);

    const auto unbounded = RMProjection::createWithString("+proj=merc +R=1000");
    ASSERT_NE(unbounded, nullptr);
    EXPECT_EQ(unbounded->wrapPointHorizontally(farEast), farEast);

    const auto flat
        = RMProjection::createWithStringInBounds("+proj=merc +R=1000", RMMakeProjectedRect(0, 0, 100, 0));
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(flat->wrapPointHorizontally(farEast), farEast);

    const auto off
        = RMProjection::createWithStringInBounds("+proj=merc +R=1000", RMMakeProjectedRect(0, 0, 100, 100));
    ASSERT_NE(off, nullptr);
    off->setProjectionWrapsHorizontally(false);
    EXPECT_EQ(off->wrapPointHorizontally(farEast), farEast);
}

TEST(RMProjectionConstraining, ClampsNorthingsAndWrapsEastings)
{
    EXPECT_EQ(google().constrainPointToBounds({ 0, 3e7 }), (RMProjectedPoint { 0, eastEdge }));
    EXPECT_EQ(google().constrainPointToBounds({ 0, -3e7 }), (RMProjectedPoint { 0, westEdge }));
    EXPECT_EQ(google().constrainPointToBounds({ 5, 6 }), (RMProjectedPoint { 5, 6 }));
    const RMProjectedPoint wrapped = google().constrainPointToBounds({ eastEdge + 1000, inf });
    EXPECT_NEAR(wrapped.easting, westEdge + 1000, 1e-6);
    EXPECT_EQ(wrapped.northing, eastEdge);
    EXPECT_TRUE(std::isnan(google().constrainPointToBounds({ 0, nan }).northing));
}

TEST(RMProjectionConstraining, WrapsOnlyWhenWrappingIsOn)
{
    const auto bounded
        = RMProjection::createWithStringInBounds("+proj=merc +R=1000", RMMakeProjectedRect(0, 0, 100, 100));
    ASSERT_NE(bounded, nullptr);
    bounded->setProjectionWrapsHorizontally(false);
    EXPECT_EQ(bounded->constrainPointToBounds({ 250, 250 }), (RMProjectedPoint { 250, 100 }));
    bounded->setProjectionWrapsHorizontally(true);
    EXPECT_EQ(bounded->constrainPointToBounds({ 250, -250 }), (RMProjectedPoint { 50, 0 }));

    EXPECT_EQ(RMProjection::OSGB()->constrainPointToBounds({ 1e9, -1e9 }), (RMProjectedPoint { 1e9, -1e9 }));
}

TEST(RMProjectionHostileInput, PassesOnWhatPROJGives)
{
    // PROJ answers points outside its domain with its error value, infinity;
    // NaN stays NaN. None of it may crash.
    const RMProjectedPoint error { inf, inf };
    EXPECT_EQ(google().latLongToPoint({ 100, 0 }), error);
    EXPECT_EQ(google().latLongToPoint({ 0, 1e308 }), error);
    EXPECT_EQ(google().latLongToPoint({ 0, 600 }), error);
    EXPECT_EQ(google().latLongToPoint({ inf, -inf }), error);
    EXPECT_TRUE(std::isnan(google().latLongToPoint({ nan, 0 }).northing));
    EXPECT_TRUE(std::isnan(google().latLongToPoint({ 0, nan }).easting));

    EXPECT_EQ(google().pointToLatLong({ inf, -inf }), (RMLatLong { inf, inf }));
    EXPECT_EQ(google().pointToLatLong({ 1e300, 1e300 }), (RMLatLong { 90, -180 }));
    const RMLatLong fromNan = google().pointToLatLong({ nan, nan });
    EXPECT_TRUE(std::isnan(fromNan.latitude));
    EXPECT_TRUE(std::isnan(fromNan.longitude));
}

} // namespace
