#include "GpxTrack.h"

#include <QByteArray>
#include <QDateTime>
#include <QXmlStreamReader>

#include <fmt/format.h>

#include <cmath>

namespace platform {

namespace {

// Larger values are not dilutions a receiver reports; such an hdop is
// ignored rather than turned into an absurd accuracy.
constexpr double kLargestHdop = 1e6;

// Text from the file as a message shows it: at most 40 characters.
std::string shown(QStringView text)
{
    constexpr qsizetype kLongest = 40;
    if (text.size() <= kLongest)
        return text.toString().toStdString();
    return text.left(kLongest).toString().toStdString() + "…";
}

std::string lineMessage(const QXmlStreamReader& reader, std::string_view message)
{
    return fmt::format("line {}: {}", reader.lineNumber(), message);
}

std::optional<double> readTime(const QString& text)
{
    QDateTime time = QDateTime::fromString(text.trimmed(), Qt::ISODateWithMs);
    if (!time.isValid())
        return std::nullopt;
    if (time.timeSpec() == Qt::LocalTime)
        time.setTimeSpec(Qt::UTC);
    return double(time.toMSecsSinceEpoch()) / 1000;
}

std::optional<double> readHdop(const QString& text)
{
    bool ok = false;
    const double hdop = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(hdop) || hdop < 0 || hdop > kLargestHdop)
        return std::nullopt;
    return hdop;
}

// One lat or lon attribute of the point that starts at the reader.
std::optional<double> readDegrees(
    const QXmlStreamReader& reader, std::size_t index, const char* name, double limit, std::string& error)
{
    const QString attribute = QString::fromLatin1(name);
    const QXmlStreamAttributes attributes = reader.attributes();
    if (!attributes.hasAttribute(attribute)) {
        error = lineMessage(reader, fmt::format("track point {} has no {} attribute", index, name));
        return std::nullopt;
    }
    const QStringView text = attributes.value(attribute);
    bool ok = false;
    const double degrees = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(degrees) || std::abs(degrees) > limit) {
        error = lineMessage(reader,
            fmt::format("track point {} has the {} \"{}\", not a number from -{} to {}", index, name,
                shown(text), limit, limit));
        return std::nullopt;
    }
    return degrees;
}

// The point whose <trkpt> start tag the reader is at; leaves the reader
// after its end tag.
std::optional<GpxTrack::Point> readPoint(QXmlStreamReader& reader, std::size_t index, std::string& error)
{
    GpxTrack::Point point;
    const std::optional<double> latitude = readDegrees(reader, index, "lat", 90, error);
    if (!latitude)
        return std::nullopt;
    const std::optional<double> longitude = readDegrees(reader, index, "lon", 180, error);
    if (!longitude)
        return std::nullopt;
    point.coordinate = { *latitude, *longitude };
    while (reader.readNextStartElement()) {
        if (reader.name() == u"time")
            point.time = readTime(reader.readElementText(QXmlStreamReader::IncludeChildElements));
        else if (reader.name() == u"hdop")
            point.hdop = readHdop(reader.readElementText(QXmlStreamReader::IncludeChildElements));
        else
            reader.skipCurrentElement();
    }
    return point;
}

} // namespace

std::optional<GpxTrack> GpxTrack::parse(std::string_view xml, std::string* error)
{
    std::string reason;
    std::vector<Point> points;
    QXmlStreamReader reader(QByteArray::fromRawData(xml.data(), qsizetype(xml.size())));
    if (!reader.readNextStartElement()) {
        if (!reader.hasError() || reader.error() == QXmlStreamReader::PrematureEndOfDocumentError)
            reason = "not a GPX file (no XML element)";
    } else if (reader.name() != u"gpx") {
        reason = fmt::format("not a GPX file (the root element is <{}>)", shown(reader.name()));
    } else {
        while (reason.empty() && !reader.atEnd()) {
            if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"trkpt") {
                if (std::optional<Point> point = readPoint(reader, points.size() + 1, reason))
                    points.push_back(*point);
            }
        }
    }
    if (reason.empty() && reader.hasError())
        reason = lineMessage(reader, reader.errorString().toStdString());
    if (reason.empty() && points.empty())
        reason = "the track has no points (<trkpt>)";
    if (!reason.empty()) {
        if (error)
            *error = std::move(reason);
        return std::nullopt;
    }
    return GpxTrack(std::move(points));
}

std::vector<ReplayFix> GpxTrack::replayFixes() const
{
    std::vector<ReplayFix> fixes;
    fixes.reserve(points_.size());
    const Point* previous = nullptr;
    for (const Point& point : points_) {
        ReplayFix fix;
        fix.coordinate = point.coordinate;
        fix.horizontalAccuracy = point.hdop.value_or(1) * kUserEquivalentRangeError;
        if (previous) {
            const bool timed = previous->time && point.time && *point.time > *previous->time;
            fix.delay = timed ? *point.time - *previous->time : 1;
        }
        fixes.push_back(fix);
        previous = &point;
    }
    return fixes;
}

} // namespace platform
