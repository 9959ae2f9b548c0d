#include "RootViewController.h"

#include "Button.h"
#include "FlipTransition.h"
#include "FlipsideViewController.h"
#include "GameMapViewController.h"
#include "NavigationBar.h"

namespace game {

namespace {

constexpr double kFlipDuration = 1.0;
constexpr float kBarHeight = 44;
// The info button of the root screen's description: the platform's small
// "i" in the top-right corner of a 320-point-wide screen.
constexpr CGRect kInfoButtonFrame = CGRectMake(282, 8, 18, 19);
// A finger finds the small button more easily in a larger frame.
constexpr float kInfoButtonGrowth = 25;

constexpr unsigned kFillParent = platform::kAutoresizingFlexibleWidth | platform::kAutoresizingFlexibleHeight;

// The view of a shown screen fills the root view.
void fill(platform::View& root, platform::View& screen)
{
    screen.setFrame(root.bounds());
    screen.setAutoresizingMask(kFillParent);
}

} // namespace

RootViewController::RootViewController() = default;

RootViewController::~RootViewController()
{
    // The screens' views may lie in the root view: their controllers go
    // first, then the parts this controller holds, then the root view.
    mainViewController_.reset();
    flipsideViewController_.reset();
    delete flipsideNavigationBar_.data();
    delete infoButton_.data();
}

void RootViewController::setMainViewController(std::unique_ptr<GameMapViewController> controller)
{
    mainViewController_ = std::move(controller);
}

void RootViewController::setFlipsideViewController(std::unique_ptr<FlipsideViewController> controller)
{
    flipsideViewController_ = std::move(controller);
}

std::unique_ptr<platform::View> RootViewController::loadView()
{
    auto view = std::make_unique<platform::View>(CGRectMake(0, 0, 360, 720));
    auto* info = new platform::Button(kInfoButtonFrame);
    info->setTitleForState("i", platform::Button::Normal);
    info->setAction([this] { toggleView(); });
    view->addSubview(info);
    setInfoButton(info);
    return view;
}

void RootViewController::viewDidLoad()
{
    ViewController::viewDidLoad();
    setMainViewController(std::make_unique<GameMapViewController>("MainView"));
    mainViewController_->setInfoRequestHandler([this] { toggleView(); });
    const CGRect frame = infoButton_->frame();
    infoButton_->setFrame(CGRectMake(frame.origin.x - kInfoButtonGrowth, frame.origin.y - kInfoButtonGrowth,
        frame.size.width + 2 * kInfoButtonGrowth, frame.size.height + 2 * kInfoButtonGrowth));
    infoButton_->setHidden(true);
    platform::View& game = mainViewController_->view();
    fill(view(), game);
    view().insertSubviewBelow(&game, infoButton_);
}

void RootViewController::loadFlipsideViewController()
{
    setFlipsideViewController(std::make_unique<FlipsideViewController>("FlipsideView"));
    auto* bar = new platform::NavigationBar(CGRectMake(0, 0, 320, kBarHeight));
    bar->setBarStyle(platform::NavigationBar::Style::Black);
    bar->setAutoresizingMask(platform::kAutoresizingFlexibleWidth);
    setFlipsideNavigationBar(bar);
    auto done = std::make_shared<platform::BarButtonItem>(
        "Game", platform::BarButtonItem::Style::Done, [this] { toggleView(); });
    auto item = std::make_shared<platform::NavigationItem>("Vantry");
    item->setLeftBarButtonItem(done);
    bar->pushNavigationItemAnimated(item, false);
}

bool RootViewController::isGameShown() const
{
    return mainViewController_ && mainViewController_->isViewLoaded()
        && mainViewController_->view().superview() != nullptr;
}

void RootViewController::toggleView()
{
    if (!flipsideViewController_)
        loadFlipsideViewController();
    platform::View& root = view();
    platform::ViewController& game = *mainViewController_;
    platform::ViewController& info = *flipsideViewController_;
    const bool gameShown = isGameShown();
    platform::FlipTransition flip(root,
        gameShown ? platform::FlipTransition::Direction::FromRight
                  : platform::FlipTransition::Direction::FromLeft,
        kFlipDuration);
    if (gameShown) {
        info.viewWillAppear(true);
        game.viewWillDisappear(true);
        game.view().removeFromSuperview();
        infoButton_->removeFromSuperview();
        fill(root, info.view());
        root.addSubview(&info.view());
        flipsideNavigationBar_->setFrame(CGRectMake(0, 0, root.bounds().size.width, kBarHeight));
        root.insertSubviewAbove(flipsideNavigationBar_, &info.view());
        game.viewDidDisappear(true);
    } else {
        game.viewWillAppear(true);
        info.viewWillDisappear(true);
        info.view().removeFromSuperview();
        flipsideNavigationBar_->removeFromSuperview();
        fill(root, game.view());
        root.addSubview(&game.view());
        root.insertSubviewAbove(infoButton_, &game.view());
        info.viewDidDisappear(true);
    }
    (gameShown ? info : game).viewDidAppear(true);
    flip.commit();
}

void RootViewController::didReceiveMemoryWarning()
{
    ViewController::didReceiveMemoryWarning();
}

} // namespace game
