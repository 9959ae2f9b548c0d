#include "DefaultPositionSource.h"

#include "ApplicationId.h"

#include <QGeoPositionInfoSource>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <fmt/format.h>

#include <cmath>
#include <string_view>

namespace platform {

namespace {

// What went wrong, after the source's description.
std::string_view problem(QGeoPositionInfoSource::Error error)
{
    switch (error) {
    case QGeoPositionInfoSource::AccessError:
        return "refused access (are location services enabled?)";
    case QGeoPositionInfoSource::ClosedError:
        return "closed (is GeoClue running?)";
    case QGeoPositionInfoSource::UpdateTimeoutError:
        return "can give no more fixes";
    case QGeoPositionInfoSource::UnknownSourceError:
    case QGeoPositionInfoSource::NoError:
        break;
    }
    return "failed";
}

} // namespace

// GeoClue lets an agent (or the location portal) ask the user about a client only when the client
// names its desktop file; without the name the GeoClue plugin gives no fixes at all.
DefaultPositionSource::DefaultPositionSource()
    : source_(QGeoPositionInfoSource::createDefaultSource(
        { { QStringLiteral("desktopId"), QString::fromLatin1(kApplicationId) } }, nullptr))
{
    if (!source_)
        return;
    receiver_ = std::make_unique<QObject>();
    QObject::connect(
        source_.get(), &QGeoPositionInfoSource::positionUpdated, receiver_.get(),
        [this](const QGeoPositionInfo& info) { receive(info); }, Qt::QueuedConnection);
    QObject::connect(
        source_.get(), &QGeoPositionInfoSource::errorOccurred, receiver_.get(),
        [this](QGeoPositionInfoSource::Error error) {
            if (started_ && error != QGeoPositionInfoSource::NoError)
                fail(description() + " " + std::string(problem(error)));
        },
        Qt::QueuedConnection);
}

DefaultPositionSource::~DefaultPositionSource()
{
    receiver_.reset();
    stop();
}

void DefaultPositionSource::receive(const QGeoPositionInfo& info)
{
    if (!started_ || !info.coordinate().isValid())
        return;
    watchdog_.invalidate();
    double accuracy = -1;
    if (info.hasAttribute(QGeoPositionInfo::HorizontalAccuracy)) {
        const double value = info.attribute(QGeoPositionInfo::HorizontalAccuracy);
        if (std::isfinite(value) && value >= 0)
            accuracy = value;
    }
    const QGeoCoordinate coordinate = info.coordinate();
    deliver({ { coordinate.latitude(), coordinate.longitude() }, accuracy, Clock::current().now() });
}

void DefaultPositionSource::start()
{
    if (started_)
        return;
    started_ = true;
    if (!source_) {
        watchdog_ = Timer::scheduledTimer(
            0, false, [this] { fail("no position source is available (is GeoClue running?)"); });
        return;
    }
    watchdog_ = Timer::scheduledTimer(kFirstFixTimeout, false, [this] {
        fail(fmt::format("{} gave no fix within {} seconds (is GeoClue running, with location services on?)",
            description(), kFirstFixTimeout));
    });
    source_->startUpdates();
}

void DefaultPositionSource::stop()
{
    if (!started_)
        return;
    started_ = false;
    watchdog_.invalidate();
    if (source_)
        source_->stopUpdates();
}

bool DefaultPositionSource::isAvailable() const
{
    return source_ && source_->error() != QGeoPositionInfoSource::AccessError
        && source_->error() != QGeoPositionInfoSource::ClosedError;
}

std::string DefaultPositionSource::description() const
{
    if (!source_)
        return "the default position source";
    return "the default position source (" + source_->sourceName().toStdString() + ")";
}

} // namespace platform
