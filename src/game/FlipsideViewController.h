#pragma once

#include "ViewController.h"

#include <string>

namespace game {

// The info screen: what the game is, how to play it, who plays on this
// device, which server it plays against, the version and the map's credit.
class FlipsideViewController : public platform::ViewController {
public:
    // `nibName` is the screen's description ("FlipsideView").
    explicit FlipsideViewController(std::string nibName);

    // The text the screen shows.
    static std::string infoText();

    // The text is brought up to date (the player key is set with the first
    // request).
    void viewWillAppear(bool animated) override;

protected:
    std::unique_ptr<platform::View> loadView() override;
    void viewDidLoad() override;
};

} // namespace game
