#include "NmeaLog.h"

#include <QGeoPositionInfo>
#include <QNmeaPositionInfoSource>

#include <cmath>

namespace platform {

namespace {

constexpr int kMillisecondsPerDay = 24 * 60 * 60 * 1000;

// Qt's NMEA source parses sentences for its own replay, which runs on Qt's
// timers; this reaches the parser alone so that the Clock paces the fixes.
class SentenceParser final : public QNmeaPositionInfoSource {
public:
    SentenceParser()
        : QNmeaPositionInfoSource(SimulationMode)
    {
        setUserEquivalentRangeError(kUserEquivalentRangeError);
    }

    bool parse(std::string_view sentence, QGeoPositionInfo& info, bool& hasFix)
    {
        return parsePosInfoFromNmeaData(sentence.data(), int(sentence.size()), &info, &hasFix);
    }
};

// The sentences of one UTC time.
struct Epoch {
    int time = -1; // milliseconds since midnight
    std::optional<base::GeoPoint> coordinate;
    double horizontalAccuracy = -1;
};

std::string_view trimmed(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

std::optional<std::vector<ReplayFix>> readNmeaLog(std::string_view log, std::string* error)
{
    SentenceParser parser;
    std::vector<ReplayFix> fixes;
    Epoch epoch;
    double pendingDelay = 0;
    const auto finishEpoch = [&] {
        if (epoch.coordinate) {
            fixes.push_back({ *epoch.coordinate, epoch.horizontalAccuracy, pendingDelay });
            pendingDelay = 0;
        }
    };

    while (!log.empty()) {
        const std::size_t end = log.find('\n');
        const std::string_view line = trimmed(log.substr(0, end));
        log.remove_prefix(end == std::string_view::npos ? log.size() : end + 1);
        QGeoPositionInfo info;
        bool hasFix = false;
        if (!line.starts_with('$') || !parser.parse(line, info, hasFix) || !info.timestamp().time().isValid())
            continue;
        const int time = info.timestamp().time().msecsSinceStartOfDay();
        if (time != epoch.time) {
            finishEpoch();
            if (epoch.time >= 0) {
                int step = time - epoch.time;
                if (step < -kMillisecondsPerDay / 2)
                    step += kMillisecondsPerDay;
                pendingDelay += step > 0 ? step / 1000.0 : 1;
            }
            epoch = Epoch { time, std::nullopt, -1 };
        }
        if (!hasFix || !info.coordinate().isValid())
            continue;
        epoch.coordinate = base::GeoPoint { info.coordinate().latitude(), info.coordinate().longitude() };
        if (info.hasAttribute(QGeoPositionInfo::HorizontalAccuracy)) {
            const double accuracy = info.attribute(QGeoPositionInfo::HorizontalAccuracy);
            if (std::isfinite(accuracy) && accuracy >= 0)
                epoch.horizontalAccuracy = accuracy;
        }
    }
    finishEpoch();
    if (fixes.empty()) {
        if (error)
            *error = "the log has no position fixes (GGA or RMC sentences with a fix)";
        return std::nullopt;
    }
    return fixes;
}

} // namespace platform
