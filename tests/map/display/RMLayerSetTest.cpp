#include "RMLayerSet.h"

#include "Exception.h"
#include "MapFixture.h"
#include "MapTestPrinters.h"
#include "RMMapLayer.h"
#include "RMMarker.h"
#include "RMMercatorToScreenProjection.h"
#include "TestImages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <thread>

using testing::ElementsAre;
using vantry::test::MapFixture;

namespace {

std::shared_ptr<RMMarker> markerAt(RMMapContents& contents, CGPoint screenPoint)
{
    auto marker = std::make_shared<RMMarker>(
        platform::Image::fromQImage(vantry::test::makeSolidImage(20, 30, Qt::blue)));
    marker->setProjectedLocation(contents.mercatorToScreenProjection()->projectScreenPointToXY(screenPoint));
    return marker;
}

class RMLayerSetTest : public testing::Test {
protected:
    std::shared_ptr<platform::Layer> plain(const char* name)
    {
        auto layer = std::make_shared<RMMapLayer>();
        layer->setName(name);
        return layer;
    }

    std::vector<std::string> memberNames() const
    {
        std::vector<std::string> names;
        for (const auto& member : set->members())
            names.push_back(member->name());
        return names;
    }
    std::vector<std::string> sublayerNames() const
    {
        std::vector<std::string> names;
        for (const auto& sublayer : set->sublayers())
            names.push_back(sublayer->name());
        return names;
    }

    MapFixture map;
    std::shared_ptr<RMLayerSet> set = std::make_shared<RMLayerSet>(map.contents);
};

TEST_F(RMLayerSetTest, AddingPlacesMovingLayersAndLeavesOthersAlone)
{
    auto marker = markerAt(*map.contents, CGPointMake(160, 240));
    marker->setPosition(CGPointMake(-500, 7));
    auto other = plain("other");
    other->setPosition(CGPointMake(12, 34));
    set->addSublayer(marker);
    set->addSublayer(other);

    EXPECT_NEAR(160, marker->position().x, 1e-3);
    EXPECT_NEAR(240, marker->position().y, 1e-3);
    EXPECT_EQ(12, other->position().x);
    EXPECT_TRUE(set->masksToBounds());
    EXPECT_TRUE(set->hasSubLayer(marker.get()));
}

TEST_F(RMLayerSetTest, ListOperationsKeepMembersAndDrawingOrder)
{
    set->addSublayer(plain("a"));
    set->addSublayer(plain("b"));
    set->addSublayer(plain("c"));
    const auto members = set->members();

    set->insertSublayerAbove(plain("d"), members[2].get());
    EXPECT_THAT(memberNames(), ElementsAre("a", "b", "c", "d"));
    set->insertSublayerBelow(plain("e"), members[1].get());
    EXPECT_THAT(memberNames(), ElementsAre("a", "e", "b", "c", "d"));
    EXPECT_THAT(sublayerNames(), ElementsAre("a", "e", "b", "c", "d"));

    // First in the list, yet on top of the drawing.
    set->insertSublayerAtIndex(plain("f"), 0);
    EXPECT_THAT(memberNames(), ElementsAre("f", "a", "e", "b", "c", "d"));
    EXPECT_THAT(sublayerNames(), ElementsAre("a", "e", "b", "c", "d", "f"));

    set->removeSublayer(members[0]);
    EXPECT_THAT(memberNames(), ElementsAre("f", "e", "b", "c", "d"));
    EXPECT_EQ(nullptr, members[0]->superlayer());
    set->removeSublayers({ members[1], members[2] });
    EXPECT_THAT(sublayerNames(), ElementsAre("e", "d", "f"));

    set->setSublayers({});
    EXPECT_TRUE(set->members().empty());
    EXPECT_TRUE(set->sublayers().empty());
}

TEST_F(RMLayerSetTest, InsertingNextToAStrangerFailsAndChangesNothing)
{
    set->addSublayer(plain("a"));
    auto stranger = plain("x");
    for (const bool above : { true, false }) {
        try {
            if (above)
                set->insertSublayerAbove(plain("b"), stranger.get());
            else
                set->insertSublayerBelow(plain("b"), stranger.get());
            ADD_FAILURE() << "no exception";
        } catch (const base::NamedException& exception) {
            EXPECT_EQ("NSRangeException", exception.name());
        }
    }
    EXPECT_THAT(memberNames(), ElementsAre("a"));
    EXPECT_THAT(sublayerNames(), ElementsAre("a"));
}

TEST_F(RMLayerSetTest, RemovingAStrangerStillTakesItFromItsParent)
{
    auto parent = plain("parent");
    auto stranger = plain("x");
    parent->addSublayer(stranger);
    set->removeSublayer(stranger);
    EXPECT_TRUE(parent->sublayers().empty());
}

TEST_F(RMLayerSetTest, SetSublayersPlacesTheNewMembers)
{
    auto marker = markerAt(*map.contents, CGPointMake(50, 60));
    set->setSublayers({ plain("a"), marker });
    EXPECT_EQ(2u, set->members().size());
    EXPECT_NEAR(50, marker->position().x, 1e-3);
    EXPECT_NEAR(60, marker->position().y, 1e-3);
}

TEST_F(RMLayerSetTest, MovesReachMapLayersOnly)
{
    auto marker = markerAt(*map.contents, CGPointMake(50, 60));
    auto foreign = std::make_shared<platform::Layer>();
    foreign->setPosition(CGPointMake(1, 1));
    set->addSublayer(marker);
    set->addSublayer(foreign);
    set->moveBy(CGSizeMake(10, -5));
    EXPECT_NEAR(60, marker->position().x, 1e-3);
    EXPECT_NEAR(55, marker->position().y, 1e-3);
    EXPECT_EQ(1, foreign->position().x);
    EXPECT_EQ(0, set->position().x);

    set->moveToProjectedPoint(RMProjectedPoint { 123, 456 });
    EXPECT_NEAR(50, marker->position().x, 1e-3);
}

TEST_F(RMLayerSetTest, ZoomingScalesPositionsAndOnlyPlainLayersGrow)
{
    auto layer = std::make_shared<RMMapLayer>();
    layer->setBounds(CGRectMake(0, 0, 10, 20));
    layer->setPosition(CGPointMake(150, 100));
    auto marker = markerAt(*map.contents, CGPointMake(150, 100));
    set->addSublayer(layer);
    set->addSublayer(marker);
    set->zoomByFactorNear(2, CGPointMake(100, 100));

    EXPECT_EQ(200, layer->position().x);
    EXPECT_EQ(100, layer->position().y);
    EXPECT_EQ(20, layer->bounds().size.width);
    EXPECT_EQ(40, layer->bounds().size.height);
    EXPECT_NEAR(200, marker->position().x, 1e-3);
    EXPECT_EQ(20, marker->bounds().size.width);
}

TEST(RMMapLayerTest, NeverAnimatesPositionOrSize)
{
    RMMapLayer layer;
    EXPECT_EQ(nullptr, layer.actionForKey("position"));
    EXPECT_EQ(nullptr, layer.actionForKey("bounds"));
    EXPECT_NE(nullptr, layer.actionForKey("opacity"));
}

TEST_F(RMLayerSetTest, TheLockIsHeldAcrossAWholeOperation)
{
    // A member whose move takes a while must not see the list change under
    // it from another thread.
    for (int i = 0; i < 50; ++i)
        set->addSublayer(plain("m"));
    std::thread reader([this] {
        for (int i = 0; i < 200; ++i)
            EXPECT_EQ(50u, set->members().size());
    });
    for (int i = 0; i < 200; ++i)
        set->moveBy(CGSizeMake(1, 0));
    reader.join();
}

} // namespace
