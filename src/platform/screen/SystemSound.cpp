#include "SystemSound.h"

#include "Log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QString>
#include <QVariantMap>

namespace platform {

namespace {

const QString kFeedbackService = "org.sigxcpu.Feedback";

bool feedbackServiceRuns(const QDBusConnection& bus)
{
    const QDBusConnectionInterface* names = bus.interface();
    return names && names->isServiceRegistered(kFeedbackService).value();
}

} // namespace

void SystemSound::play(unsigned soundId)
{
    if (soundId != kVibrate) {
        base::logf("No system sound {}", soundId);
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !feedbackServiceRuns(bus)) {
        base::log("Vibrate: no feedback service on this device");
        return;
    }
    // A message event in the quiet profile: a short vibration, no sound.
    QDBusMessage trigger = QDBusMessage::createMethodCall(
        kFeedbackService, "/org/sigxcpu/Feedback", kFeedbackService, "TriggerFeedback");
    trigger << QString("app.vantry.Vantry") << QString("message-new-instant")
            << QVariantMap { { "profile", QString("quiet") } } << -1;
    bus.asyncCall(trigger);
}

} // namespace platform
