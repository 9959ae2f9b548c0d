#pragma once

#include "View.h"

#include <functional>
#include <string>

namespace platform {

// The application's top-level window. The key window is the one alerts
// appear over. Main thread only.
class Window : public View {
public:
    explicit Window(CGRect frame = CGRectZero);
    ~Window() override;

    // Makes this the key window and shows it.
    void makeKeyAndVisible();
    // The key window, or null.
    static Window* keyWindow();

    // The title the window system shows.
    void setTitle(const std::string& title);
    std::string title() const;

    // Called when the user closes the window (the program usually quits).
    void setCloseHandler(std::function<void()> handler) { closeHandler_ = std::move(handler); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void()> closeHandler_;
};

} // namespace platform
