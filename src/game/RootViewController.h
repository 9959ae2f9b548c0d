#pragma once

#include "Button.h"
#include "NavigationBar.h"
#include "ViewController.h"

#include <QPointer>

#include <memory>

namespace game {

class FlipsideViewController;
class GameMapViewController;

// The root screen: it holds the game screen and, once the player has flipped
// to it, the info screen, and flips between them. The game screen is made
// when the root view loads and lives as long as this controller; the info
// screen is made on the first flip and kept.
class RootViewController : public platform::ViewController {
public:
    RootViewController();
    ~RootViewController() override;

    // The hidden button that would flip to the info screen (the screen
    // description's), the game screen, the info screen and its bar.
    platform::Button* infoButton() const { return infoButton_; }
    void setInfoButton(platform::Button* button) { infoButton_ = button; }
    GameMapViewController* mainViewController() const { return mainViewController_.get(); }
    void setMainViewController(std::unique_ptr<GameMapViewController> controller);
    FlipsideViewController* flipsideViewController() const { return flipsideViewController_.get(); }
    void setFlipsideViewController(std::unique_ptr<FlipsideViewController> controller);
    platform::NavigationBar* flipsideNavigationBar() const { return flipsideNavigationBar_; }
    void setFlipsideNavigationBar(platform::NavigationBar* bar) { flipsideNavigationBar_ = bar; }

    // Makes the info screen and its navigation bar with the "Game" button.
    void loadFlipsideViewController();
    // Flips to the screen not shown, over one second.
    void toggleView();
    // Whether the game screen is the one shown.
    bool isGameShown() const;

    void didReceiveMemoryWarning() override;

protected:
    std::unique_ptr<platform::View> loadView() override;
    void viewDidLoad() override;

private:
    QPointer<platform::Button> infoButton_;
    std::unique_ptr<GameMapViewController> mainViewController_;
    std::unique_ptr<FlipsideViewController> flipsideViewController_;
    QPointer<platform::NavigationBar> flipsideNavigationBar_;
};

} // namespace game
