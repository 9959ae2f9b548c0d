#pragma once

#include "Window.h"

#include <memory>

namespace game {

class RootViewController;

// The application: its one window and the root screen in it.
class VantryAppDelegate {
public:
    // A window of `size` points (the game's portrait phone screen by
    // default) and the root screen's controller.
    explicit VantryAppDelegate(CGSize size = CGSizeMake(360, 720));
    ~VantryAppDelegate();
    VantryAppDelegate(const VantryAppDelegate&) = delete;
    VantryAppDelegate& operator=(const VantryAppDelegate&) = delete;

    platform::Window& window() const { return *window_; }
    RootViewController& rootViewController() const { return *rootViewController_; }

    // Puts the root screen in the window and shows it: the game starts.
    void applicationDidFinishLaunching();

private:
    std::unique_ptr<platform::Window> window_;
    std::unique_ptr<RootViewController> rootViewController_;
};

} // namespace game
