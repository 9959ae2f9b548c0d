#include "ViewController.h"

namespace platform {

ViewController::ViewController(std::string nibName)
    : nibName_(std::move(nibName))
{ }

ViewController::~ViewController()
{
    delete view_.data();
}

View& ViewController::view()
{
    if (!view_) {
        view_ = loadView().release();
        viewDidLoad();
    }
    return *view_;
}

std::unique_ptr<View> ViewController::loadView()
{
    return std::make_unique<View>();
}

void ViewController::viewDidLoad()
{ }
void ViewController::viewWillAppear(bool)
{ }
void ViewController::viewDidAppear(bool)
{ }
void ViewController::viewWillDisappear(bool)
{ }
void ViewController::viewDidDisappear(bool)
{ }
void ViewController::didReceiveMemoryWarning()
{ }

} // namespace platform
