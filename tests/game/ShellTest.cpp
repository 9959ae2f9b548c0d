#include "GameFixture.h"

#include "Button.h"
#include "FlipTransition.h"
#include "FlipsideViewController.h"
#include "NavigationBar.h"
#include "RMMapContents.h"
#include "RMMapView.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"
#include "RootViewController.h"
#include "TestImages.h"
#include "TouchScript.h"
#include "VantryAppDelegate.h"

#include <QShortcut>

namespace vantry::test {
namespace {

using ShellTest = GameTest;

TEST_F(ShellTest, RootScreenHoldsTheGameBelowTheHiddenInfoButton)
{
    game::RootViewController root;
    platform::View& view = root.view();
    const platform::Button& info = *root.infoButton();
    EXPECT_TRUE(CGRectEqualToRect(info.frame(), CGRectMake(257, -17, 68, 69)));
    EXPECT_TRUE(info.isHidden());
    ASSERT_NE(root.mainViewController(), nullptr);
    const QObjectList& stack = view.children();
    const auto game = std::find(stack.begin(), stack.end(), &root.mainViewController()->view());
    const auto button = std::find(stack.begin(), stack.end(), root.infoButton());
    EXPECT_LT(game, button) << "the game view lies below the info button";
    EXPECT_TRUE(root.isGameShown());
}

TEST_F(ShellTest, FlipsMakeOneInfoScreenAndComeBack)
{
    game::VantryAppDelegate application(CGSizeMake(360, 720));
    application.applicationDidFinishLaunching();
    game::RootViewController& root = application.rootViewController();
    platform::View& game = root.mainViewController()->view();

    root.toggleView();
    game::FlipsideViewController* info = root.flipsideViewController();
    platform::NavigationBar* bar = root.flipsideNavigationBar();
    ASSERT_NE(info, nullptr);
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(root.isGameShown());
    EXPECT_EQ(info->view().superview(), &root.view());
    EXPECT_EQ(bar->topItem()->title(), "Vantry");
    EXPECT_EQ(bar->topItem()->leftBarButtonItem()->title(), "Game");
    EXPECT_TRUE(platform::FlipTransition::isFlipping(root.view()));
    clock.advance(1);
    EXPECT_FALSE(platform::FlipTransition::isFlipping(root.view())) << "the flip takes one second";

    bar->topItem()->leftBarButtonItem()->trigger();
    EXPECT_TRUE(root.isGameShown());
    EXPECT_EQ(root.flipsideViewController(), info);
    EXPECT_EQ(root.flipsideNavigationBar(), bar);
    EXPECT_EQ(game.superview(), &root.view());
    EXPECT_FALSE(game.isHidden());
    EXPECT_EQ(bar->superview(), nullptr);

    auto* help = application.window().findChild<QShortcut*>();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->key(), QKeySequence(Qt::Key_F1));
    emit help->activated();
    EXPECT_FALSE(root.isGameShown()) << "F1 flips to the info screen";
    EXPECT_NE(game::FlipsideViewController::infoText().find("Player key: test-player"), std::string::npos);
}

// A phone has no F1: a tap on the hero flips to the info screen, a tap on a coin does not.
TEST_F(ShellTest, ATapOnTheHeroFlipsToTheInfoScreen)
{
    game::VantryAppDelegate application(CGSizeMake(360, 720));
    application.applicationDidFinishLaunching();
    game::RootViewController& root = application.rootViewController();
    RMMapView& map = *root.mainViewController()->mapView();
    const auto place = [&](double latitude) {
        auto marker = std::make_shared<RMMarker>(
            platform::Image::fromQImage(makeSolidImage(20, 30, Qt::red)), CGPointMake(0.5f, 1.0f));
        map.markerManager().addMarkerAtLatLong(marker, RMLatLong { latitude, -0.12 });
        const CGPoint foot = map.markerManager().screenCoordinatesForMarker(*marker);
        return std::pair(marker, QPointF(foot.x, foot.y - 15));
    };
    map.contents().setZoom(16);
    map.contents().moveToLatLong(RMLatLong { 51.5, -0.12 });
    const auto [hero, onHero] = place(51.5);
    const auto [coin, onCoin] = place(51.501);
    state().vantryMarker = hero;

    TouchScript fingers(map, &clock);
    fingers.tap(onCoin);
    EXPECT_TRUE(root.isGameShown());
    clock.advance(1);
    fingers.tap(onHero);
    EXPECT_FALSE(root.isGameShown());
}

} // namespace
} // namespace vantry::test
