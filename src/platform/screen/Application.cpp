#include "Application.h"

#include "ActivityIndicatorView.h"
#include "ApplicationId.h"
#include "Window.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QRegularExpression>
#include <QString>
#include <QVariantMap>

namespace platform {

Application& Application::shared()
{
    static Application application;
    return application;
}

void Application::setApplicationIconBadgeNumber(int number)
{
    if (number == badgeNumber_)
        return;
    badgeNumber_ = number;
    showBadgeInTitle();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage update = QDBusMessage::createSignal(
        "/app/vantry/LauncherEntry", "com.canonical.Unity.LauncherEntry", "Update");
    update << QString("application://%1").arg(QString::fromLatin1(kDesktopFileName))
           << QVariantMap { { "count", QVariant::fromValue(static_cast<qint64>(number)) },
                  { "count-visible", number != 0 } };
    bus.send(update);
}

void Application::showBadgeInTitle() const
{
    Window* window = Window::keyWindow();
    if (!window)
        return;
    // "Vantry" or "Vantry (3)": the count replaces any earlier one.
    QString title = QString::fromStdString(window->title());
    title.remove(QRegularExpression(" \\(-?\\d+\\)$"));
    if (badgeNumber_ != 0)
        title += QString(" (%1)").arg(badgeNumber_);
    window->setTitle(title.toStdString());
}

void Application::setNetworkActivityIndicatorVisible(bool visible)
{
    networkActivity_ = visible;
    if (!indicator_)
        return;
    if (visible)
        indicator_->startAnimating();
    else
        indicator_->stopAnimating();
}

void Application::setNetworkActivityIndicatorView(ActivityIndicatorView* view)
{
    indicator_ = view;
    setNetworkActivityIndicatorVisible(networkActivity_);
}

} // namespace platform
