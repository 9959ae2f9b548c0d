#include "RMMapView.h"

#include "MapFixture.h"
#include "RMMapContents.h"

#include <gtest/gtest.h>

using vantry::test::MapFixture;
using vantry::test::MapOptions;

namespace {

TEST(RMMapViewTest, DescribesItselfByItsBounds)
{
    vantry::test::LogCapture log;
    {
        RMMapView view(CGRectMake(10, 20, 320, 460));
        EXPECT_EQ("MapView at 0,0-320,460", view.description());
    }
    EXPECT_TRUE(vantry::test::isTraceLine(log.take().at(0), "dealloc", "MapView at 0,0-320,460"));
}

TEST(RMMapViewTest, PassesOnlyRealFrameChangesToItsContents)
{
    MapFixture map;
    map.view->setFrame(CGRectMake(0, 0, 320, 480));
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 320, 480), map.contents->screenBounds()));
    map.view->setFrame(CGRectMake(5, 6, 100, 200));
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 100, 200), map.contents->screenBounds()));
    // The root layer stays where the view draws it.
    EXPECT_EQ(0, map.view->layer().position().x);
    EXPECT_TRUE(CGRectEqualToRect(CGRectMake(0, 0, 100, 200), map.view->layer().bounds()));
}

TEST(RMMapViewTest, NewContentsReplaceTheOld)
{
    MapFixture map;
    RMMapContents* old = map.contents;
    std::weak_ptr<platform::Layer> oldOverlay;
    auto other = RMMapContents::createForViewWithTileSourceWithRendererLookingAt(
        map.view.get(), vantry::test::withoutCaches(map.source), nullptr, RMLatLong { 1, 2 });
    map.log.take();
    const std::string oldDescription = old->description();
    map.view->setContents(other);
    other.reset();
    const auto lines = map.log.take();
    ASSERT_EQ(1u, lines.size());
    EXPECT_TRUE(vantry::test::isTraceLine(lines[0], "dealloc", oldDescription));
    map.contents = &map.view->contents();
    EXPECT_NEAR(1, map.contents->mapCenter().latitude, 1e-6);
}

TEST(RMMapViewTest, PassesMemoryWarningsOn)
{
    MapFixture map;
    map.view->didReceiveMemoryWarning();
    const auto lines = map.log.take();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(vantry::test::isTraceLine(lines[0], "didReceiveMemoryWarning", "MapView at 0,0-320,480"));
    EXPECT_TRUE(vantry::test::isTraceLine(lines[1], "didReceiveMemoryWarning", map.contents->description()));
}

} // namespace
