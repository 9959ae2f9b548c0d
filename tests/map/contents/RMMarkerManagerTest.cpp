#include "RMMarkerManager.h"

#include "MapFixture.h"
#include "MapTestPrinters.h"
#include "RMLayerSet.h"
#include "RMMarker.h"
#include "RMMercatorToScreenProjection.h"
#include "TestImages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::ElementsAre;
using vantry::test::MapFixture;

namespace {

class RMMarkerManagerTest : public testing::Test {
protected:
    std::shared_ptr<RMMarker> newMarker()
    {
        return std::make_shared<RMMarker>(
            platform::Image::fromQImage(vantry::test::makeSolidImage(21, 21, Qt::red)));
    }
    RMMarkerManager& manager() { return map.contents->markerManager(); }

    MapFixture map;
};

TEST_F(RMMarkerManagerTest, AMarkerAtTheCentreIsAtTheScreenCentre)
{
    auto marker = newMarker();
    manager().addMarkerAtLatLong(marker, map.contents->mapCenter());
    EXPECT_NEAR(160, marker->position().x, 1e-3);
    EXPECT_NEAR(240, marker->position().y, 1e-3);
    EXPECT_TRUE(manager().isMarkerWithinScreenBounds(*marker));
    EXPECT_TRUE(manager().managingMarker(marker.get()));
    EXPECT_FALSE(manager().managingMarker(nullptr));
    const RMLatLong back = manager().latitudeLongitudeForMarker(*marker);
    EXPECT_NEAR(map.contents->mapCenter().latitude, back.latitude, 1e-7);
}

// A marker on the west or north edge is on screen (its anchor is drawn in
// the first column or row); one on the east or south edge is not. So
// rectangles that share an edge never both claim a marker, nor both miss it.
TEST_F(RMMarkerManagerTest, EdgesCountLikeThePlatformsRectangles)
{
    auto marker = newMarker();
    manager().addMarker(marker);
    manager().moveMarkerAtXY(*marker, CGPointMake(100, 100));
    const CGPoint at = manager().screenCoordinatesForMarker(*marker);
    const auto within = [&](float x, float y, float width, float height) {
        return manager().isMarkerWithinBounds(*marker, CGRectMake(x, y, width, height));
    };
    EXPECT_TRUE(within(at.x, at.y, 10, 10));
    EXPECT_FALSE(within(at.x - 10, at.y - 10, 10, 10));
    EXPECT_FALSE(within(at.x - 10, at.y, 10, 10));
    EXPECT_FALSE(within(at.x, at.y - 10, 10, 10));
    EXPECT_TRUE(within(at.x - 10, at.y - 10, 10.001f, 10.001f));
    // Of two rectangles sharing an edge through the marker, exactly one has it.
    EXPECT_NE(within(0, 0, at.x, 480), within(at.x, 0, 320 - at.x, 480));
    EXPECT_NE(within(0, 0, 320, at.y), within(0, at.y, 320, 480 - at.y));
}

TEST_F(RMMarkerManagerTest, AMarkerNeverAddedIsWithinNothing)
{
    auto marker = newMarker();
    manager().moveMarkerAtXY(*marker, CGPointMake(100, 100));
    EXPECT_FALSE(manager().isMarkerWithinBounds(*marker, CGRectMake(0, 0, 320, 480)));
    EXPECT_NEAR(100, manager().screenCoordinatesForMarker(*marker).x, 1e-3);
}

TEST_F(RMMarkerManagerTest, RemovingAndHiding)
{
    auto a = newMarker();
    auto b = newMarker();
    auto c = newMarker();
    for (const auto& marker : { a, b, c })
        manager().addMarkerAtLatLong(marker, map.contents->mapCenter());
    manager().moveMarkerAtXY(*c, CGPointMake(-50, 10));

    manager().hideAllMarkers();
    EXPECT_TRUE(map.contents->overlay()->isHidden());
    EXPECT_EQ(3u, manager().markers().size());
    EXPECT_THAT(manager().markersWithinScreenBounds(), ElementsAre(a, b));
    manager().unhideAllMarkers();
    EXPECT_FALSE(map.contents->overlay()->isHidden());

    manager().removeMarker(b);
    EXPECT_THAT(manager().markers(), ElementsAre(a, c));
    manager().removeMarkers({ a });
    EXPECT_THAT(manager().markers(), ElementsAre(c));
    manager().removeMarkers();
    EXPECT_TRUE(manager().markers().empty());
    for (const auto& marker : { a, b, c })
        EXPECT_FALSE(manager().managingMarker(marker.get()));
}

TEST_F(RMMarkerManagerTest, MovingSetsLocationAndPositionTogether)
{
    auto marker = newMarker();
    manager().addMarker(marker);
    manager().moveMarkerAtXY(*marker, CGPointMake(33.5f, 77.25f));
    const CGPoint back = manager().screenCoordinatesForMarker(*marker);
    EXPECT_NEAR(33.5f, back.x, 1e-2);
    EXPECT_NEAR(77.25f, back.y, 1e-2);
    EXPECT_EQ(33.5f, marker->position().x);

    manager().moveMarkerAtLatLon(*marker, RMLatLong { -33.86, 151.21 });
    const CGPoint expected = map.contents->latLongToPixel(RMLatLong { -33.86, 151.21 });
    EXPECT_EQ(expected.x, marker->position().x);
    EXPECT_EQ(expected.y, marker->position().y);
}

// Markers stay on their map positions through pans and zooms.
TEST_F(RMMarkerManagerTest, MarkersFollowTheMap)
{
    auto marker = newMarker();
    const RMLatLong where { 51.51, -0.13 };
    manager().addMarkerAtLatLong(marker, where);
    const auto expectAtItsPlace = [&] {
        const CGPoint expected = map.contents->latLongToPixel(where);
        EXPECT_EQ(expected.x, marker->position().x);
        EXPECT_EQ(expected.y, marker->position().y);
    };
    map.contents->moveBy(CGSizeMake(13.5f, -7.25f));
    expectAtItsPlace();
    map.contents->zoomByFactorNear(1.7f, CGPointMake(40, 300));
    map.contents->moveBy(CGSizeMake(1, 1));
    expectAtItsPlace();
    map.contents->setZoom(11.2f);
    expectAtItsPlace();
    map.contents->moveToLatLong(RMLatLong { 51.49, -0.1 });
    expectAtItsPlace();
    map.view->setFrame(CGRectMake(0, 0, 500, 200));
    expectAtItsPlace();
}

} // namespace
