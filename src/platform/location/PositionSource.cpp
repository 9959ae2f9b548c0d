#include "PositionSource.h"

#include "DefaultPositionSource.h"
#include "GpxTrack.h"
#include "NmeaLog.h"
#include "ReplayPositionSource.h"

#include <fmt/format.h>

#include <cmath>

namespace platform {

namespace {

std::optional<std::vector<ReplayFix>> readGpxTrack(std::string_view bytes, std::string* error)
{
    const std::optional<GpxTrack> track = GpxTrack::parse(bytes, error);
    if (!track)
        return std::nullopt;
    return track->replayFixes();
}

} // namespace

PositionSource::~PositionSource() = default;

void PositionSource::deliver(const Location& location)
{
    if (handler_)
        handler_->positionSourceDidUpdate(location);
}

void PositionSource::fail(const std::string& error)
{
    if (handler_)
        handler_->positionSourceDidFail(error);
}

std::unique_ptr<PositionSource> PositionSource::fromSpec(
    std::string_view spec, double speed, std::string* error)
{
    const auto reject = [error](std::string reason) -> std::unique_ptr<PositionSource> {
        if (error)
            *error = std::move(reason);
        return nullptr;
    };
    if (!std::isfinite(speed) || speed <= 0)
        return reject(fmt::format("the replay speed must be a positive number, not {}", speed));
    if (spec == "default")
        return std::make_unique<DefaultPositionSource>();

    const std::size_t colon = spec.find(':');
    const std::string_view kind = spec.substr(0, colon);
    if (colon == std::string_view::npos || (kind != "gpx" && kind != "nmea"))
        return reject(
            fmt::format("unknown position source \"{}\" (use default, nmea:FILE or gpx:FILE)", spec));
    const std::string path(spec.substr(colon + 1));
    if (path.empty())
        return reject(fmt::format("the position source \"{}\" names no file ({}:FILE)", spec, kind));
    if (kind == "nmea")
        return std::make_unique<ReplayPositionSource>("NMEA log", path, speed, &readNmeaLog);
    return std::make_unique<ReplayPositionSource>("GPX track", path, speed, &readGpxTrack);
}

} // namespace platform
