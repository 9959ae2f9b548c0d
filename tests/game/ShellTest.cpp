#include "GameFixture.h"

#include "Button.h"
#include "FlipTransition.h"
#include "FlipsideViewController.h"
#include "NavigationBar.h"
#include "RootViewController.h"
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

} // namespace
} // namespace vantry::test
