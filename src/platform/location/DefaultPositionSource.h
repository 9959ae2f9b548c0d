#pragma once

#include "PositionSource.h"
#include "Timer.h"

#include <memory>

class QGeoPositionInfo;
class QGeoPositionInfoSource;
class QObject;

namespace platform {

// The system's positioning service: Qt Positioning's default source
// (GeoClue2 on Linux desktops and phones). Fixes without a valid coordinate
// are dropped; the accuracy is the source's horizontal accuracy, or negative
// where it gives none. When the system has no source, start() fails with
// "no position source is available (is GeoClue running?)"; the source's own
// errors fail with its description and the problem, and leave it running.
// GeoClue without a system bus or service stays silent, so a start that
// brings no fix within kFirstFixTimeout seconds of the Clock fails too.
class DefaultPositionSource final : public PositionSource {
public:
    DefaultPositionSource();
    ~DefaultPositionSource() override;

    void start() override;
    void stop() override;
    // Whether a source exists and has not refused access or closed.
    bool isAvailable() const override;
    // "the default position source", with the backend's name once known.
    std::string description() const override;

    static constexpr double kFirstFixTimeout = 30;

private:
    void receive(const QGeoPositionInfo& info);

    // Null when the system has no positioning service.
    std::unique_ptr<QGeoPositionInfoSource> source_;
    // Receives the source's signals, queued so that none arrives inside
    // start(); deleting it cuts them off.
    std::unique_ptr<QObject> receiver_;
    bool started_ = false;
    // Reports a missing source, or a start without a fix.
    Timer watchdog_;
};

} // namespace platform
