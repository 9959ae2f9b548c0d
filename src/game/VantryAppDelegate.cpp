#include "VantryAppDelegate.h"

#include "Application.h"
#include "RootViewController.h"

#include <QKeySequence>
#include <QShortcut>

namespace game {

VantryAppDelegate::VantryAppDelegate(CGSize size)
    : window_(std::make_unique<platform::Window>(CGRectMake(0, 0, size.width, size.height)))
    , rootViewController_(std::make_unique<RootViewController>())
{
    window_->setTitle("Vantry");
    // The desktop's way to the info screen: F1, as help is everywhere.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), window_.get());
    help->setContext(Qt::ApplicationShortcut);
    QObject::connect(help, &QShortcut::activated, [this] { rootViewController_->toggleView(); });
}

VantryAppDelegate::~VantryAppDelegate()
{
    // The root screen's view lies in the window: the controller goes first.
    rootViewController_.reset();
}

void VantryAppDelegate::applicationDidFinishLaunching()
{
    platform::View& root = rootViewController_->view();
    root.setFrame(window_->bounds());
    root.setAutoresizingMask(platform::kAutoresizingFlexibleWidth | platform::kAutoresizingFlexibleHeight);
    window_->addSubview(&root);
    window_->makeKeyAndVisible();
}

} // namespace game
