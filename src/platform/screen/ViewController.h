#pragma once

#include "View.h"

#include <QPointer>

#include <memory>
#include <string>

namespace platform {

// Manages one screen: makes its view on first use (loadView, then
// viewDidLoad) and hears when the screen appears, disappears or memory runs
// low. The controller owns its view; a view put into another view's tree
// may be destroyed with that tree first, which the controller notices.
// Main thread only.
class ViewController {
public:
    // `nibName` names the screen's description, which loadView builds.
    explicit ViewController(std::string nibName = {});
    virtual ~ViewController();
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    const std::string& nibName() const { return nibName_; }

    // The screen's view, made on first use.
    View& view();
    bool isViewLoaded() const { return !view_.isNull(); }

    virtual void viewWillAppear(bool animated);
    virtual void viewDidAppear(bool animated);
    virtual void viewWillDisappear(bool animated);
    virtual void viewDidDisappear(bool animated);
    virtual void didReceiveMemoryWarning();

protected:
    // Makes the screen's view; the default is an empty view.
    virtual std::unique_ptr<View> loadView();
    // The view exists; the screen's setup goes here.
    virtual void viewDidLoad();

private:
    std::string nibName_;
    QPointer<View> view_;
};

} // namespace platform
