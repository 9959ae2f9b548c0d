#pragma once

#include <QPointer>

#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace platform {

class AlertView;

// Hears which button of an alert was pressed. Not owned by the alert: a
// delegate that dies first unsets itself (setDelegate(nullptr)).
class AlertViewDelegate {
public:
    virtual void alertViewClickedButtonAtIndex(AlertView& alert, int buttonIndex) = 0;

protected:
    ~AlertViewDelegate() = default;
};

// A message to the user with one or more buttons, over the key window (or
// in a small window of its own when there is none). It does not block: the
// program goes on while it is shown, and the pressed button is reported to
// the delegate. The cancel button has index 0, the other buttons 1, 2, …
// While shown, an alert keeps itself alive. Main thread only.
class AlertView : public std::enable_shared_from_this<AlertView> {
public:
    static std::shared_ptr<AlertView> create(std::string title, std::string message,
        AlertViewDelegate* delegate, std::string cancelButtonTitle,
        std::vector<std::string> otherButtonTitles = {});
    ~AlertView();
    AlertView(const AlertView&) = delete;
    AlertView& operator=(const AlertView&) = delete;

    const std::string& title() const { return title_; }
    const std::string& message() const { return message_; }
    int numberOfButtons() const { return static_cast<int>(buttonTitles_.size()); }
    // Empty for an index out of range.
    std::string buttonTitleAtIndex(int index) const;

    AlertViewDelegate* delegate() const { return delegate_; }
    void setDelegate(AlertViewDelegate* delegate) { delegate_ = delegate; }

    // Puts the alert on screen (once; showing a shown alert does nothing).
    void show();
    bool isVisible() const;
    // Presses a button as the user would: the alert leaves the screen, then
    // the delegate hears the index. Out-of-range indexes are ignored.
    void clickButtonAtIndex(int index);
    // Takes the alert off the screen without telling the delegate.
    void dismiss();

    // The alerts on screen, oldest first.
    static std::vector<std::shared_ptr<AlertView>> visibleAlerts();
    // Takes every alert off the screen, telling no delegate.
    static void dismissAll();

private:
    AlertView(std::string title, std::string message, AlertViewDelegate* delegate,
        std::vector<std::string> buttonTitles);
    QWidget* makePanel();

    std::string title_;
    std::string message_;
    AlertViewDelegate* delegate_;
    std::vector<std::string> buttonTitles_;
    QPointer<QWidget> panel_;
};

} // namespace platform
