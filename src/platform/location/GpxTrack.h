#pragma once

#include "Location.h"
#include "ReplayFix.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The track points of a GPX file (what walkers' apps record): every <trkpt>
// with its lat and lon attributes and, when present, its <time> (ISO 8601;
// without a zone, UTC) and <hdop>. A time or hdop that cannot be read counts
// as absent; everything else in the file is skipped.
class GpxTrack {
public:
    struct Point {
        base::GeoPoint coordinate;
        std::optional<double> time; // seconds since 1970
        std::optional<double> hdop; // finite, >= 0
    };

    // Reads a GPX document. Returns nothing, with the reason in `error`,
    // for bytes that are not well-formed XML, a root element other than
    // <gpx>, no track points, or a point whose latitude or longitude is
    // missing, not a number or out of range.
    static std::optional<GpxTrack> parse(std::string_view xml, std::string* error);

    const std::vector<Point>& points() const { return points_; }

    // One fix per point, in order: accuracy hdop × kUserEquivalentRangeError
    // (kUserEquivalentRangeError where the point has no hdop), each after the
    // time step from the previous point, or 1 s where either time is missing
    // or the time does not increase.
    std::vector<ReplayFix> replayFixes() const;

private:
    explicit GpxTrack(std::vector<Point> points)
        : points_(std::move(points))
    { }

    std::vector<Point> points_;
};

} // namespace platform
