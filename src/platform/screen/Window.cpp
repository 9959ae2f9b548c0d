#include "Window.h"

#include <QCloseEvent>
#include <QString>

namespace platform {

namespace {

Window* theKeyWindow = nullptr;

} // namespace

Window::Window(CGRect frame)
    : View(frame)
{ }

Window::~Window()
{
    if (theKeyWindow == this)
        theKeyWindow = nullptr;
}

void Window::makeKeyAndVisible()
{
    theKeyWindow = this;
    show();
}

Window* Window::keyWindow()
{
    return theKeyWindow;
}

void Window::setTitle(const std::string& title)
{
    setWindowTitle(QString::fromStdString(title));
}

std::string Window::title() const
{
    return windowTitle().toStdString();
}

void Window::closeEvent(QCloseEvent* event)
{
    View::closeEvent(event);
    if (closeHandler_)
        closeHandler_();
}

} // namespace platform
