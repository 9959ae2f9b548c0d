#pragma once

#include <QPointer>

#include <string>

namespace platform {

class ActivityIndicatorView;

// What the program shows of itself outside its screens: the badge on its
// launcher icon and the network activity indicator. Main thread only.
class Application {
public:
    static Application& shared();

    // The badge: a count shown at the end of the key window's title and,
    // where a session bus exists, on the launcher icon (the desktop
    // launcher-entry signal that docks and panels read). 0 shows none.
    int applicationIconBadgeNumber() const { return badgeNumber_; }
    void setApplicationIconBadgeNumber(int number);

    // Whether the program is busy on the network; shown by the indicator
    // view given below, if any.
    bool isNetworkActivityIndicatorVisible() const { return networkActivity_; }
    void setNetworkActivityIndicatorVisible(bool visible);
    // The view that shows network activity (not owned; may be destroyed).
    void setNetworkActivityIndicatorView(ActivityIndicatorView* view);

private:
    Application() = default;
    void showBadgeInTitle() const;

    int badgeNumber_ = 0;
    bool networkActivity_ = false;
    QPointer<ActivityIndicatorView> indicator_;
};

} // namespace platform
