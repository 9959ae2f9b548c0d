#pragma once

#include "Location.h"

#include <memory>
#include <string>
#include <string_view>

namespace platform {

// Where position fixes come from: the system's positioning service, a
// recorded file replayed on the Clock, or a test's script. A source reports
// to one handler (not owned) on the main thread, never synchronously from
// inside start() or stop(). The handler may destroy the source from inside
// either callback.
class PositionSource {
public:
    struct Handler {
        virtual void positionSourceDidUpdate(const Location& location) = 0;
        virtual void positionSourceDidFail(const std::string& error) = 0;

    protected:
        ~Handler() = default;
    };

    PositionSource() = default;
    virtual ~PositionSource();
    PositionSource(const PositionSource&) = delete;
    PositionSource& operator=(const PositionSource&) = delete;

    // The handler that hears this source from now on; null for none.
    void setHandler(Handler* handler) { handler_ = handler; }

    // Starting or stopping a source that already is does nothing.
    virtual void start() = 0;
    virtual void stop() = 0;
    // Whether the source can give fixes ("location services enabled").
    virtual bool isAvailable() const = 0;
    // What the source is, for messages: "GPX track walk.gpx".
    virtual std::string description() const = 0;

    // The source a spec names: "default" (the system's positioning service),
    // "nmea:FILE" (an NMEA log) or "gpx:FILE" (a GPX track). File sources
    // replay their fixes `speed` times faster than recorded. Returns null,
    // with the reason in `error`, for an unknown or malformed spec or a
    // speed that is not a positive number. Files are read when the source
    // starts; a file that cannot be read or understood is reported then,
    // through the handler.
    static std::unique_ptr<PositionSource> fromSpec(std::string_view spec, double speed, std::string* error);

protected:
    // Pass a fix or a failure to the handler. Call them last: the handler
    // may destroy this source.
    void deliver(const Location& location);
    void fail(const std::string& error);

private:
    Handler* handler_ = nullptr;
};

} // namespace platform
