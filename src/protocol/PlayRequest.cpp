#include "PlayRequest.h"

#include "ZQJsonOperations.h"
#include "ZQJsonParser.h"

#include <algorithm>
#include <cmath>

namespace protocol {

namespace {
constexpr std::string_view kPrefix = "data=[\"";

json::Value narrowedCoordinate(double degrees)
{
    const std::optional<json::Decimal> number = json::Decimal::fromFloat(static_cast<float>(degrees));
    return number ? json::Value(*number) : json::Value();
}

PlayRequestReading refused(std::string problem)
{
    return { std::nullopt, std::move(problem) };
}

PlayRequestReading notTheForm()
{
    return refused("the body is not data=[\"KEY\",[[LATITUDE,LONGITUDE],...]]");
}

bool isCoordinate(double degrees, double limit)
{
    return std::isfinite(degrees) && std::abs(degrees) <= limit;
}

// A coordinate, or none when the value is not a finite number within ±`limit`.
std::optional<double> coordinate(const json::Value& value, double limit)
{
    const std::optional<json::Decimal> number = value.asNumber();
    if (!number)
        return std::nullopt;
    const double degrees = number->doubleValue();
    if (!isCoordinate(degrees, limit))
        return std::nullopt;
    return degrees;
}

PlayRequestReading badCoordinate()
{
    return refused(
        "a coordinate is not a finite number of degrees within latitude -90 to 90, longitude -180 to "
        "180");
}
} // namespace

std::string writePlayRequest(std::string_view playerKey, std::span<const base::GeoPoint> points)
{
    json::Array list;
    list.reserve(points.size());
    for (const base::GeoPoint& point : points)
        list.emplace_back(
            json::Array { narrowedCoordinate(point.latitude), narrowedCoordinate(point.longitude) });
    // A list of number pairs always writes.
    const std::string pointsText = json::JSONRepresentation(json::Value(std::move(list))).value_or("[]");

    std::string body;
    body.reserve(kPrefix.size() + playerKey.size() + pointsText.size() + 3);
    body += kPrefix;
    body += playerKey;
    body += "\",";
    body += pointsText;
    body += ']';
    return body;
}

PlayRequestReading readPlayRequest(std::string_view body)
{
    if (body.size() > kMaxPlayBodyBytes)
        return refused("the body is larger than 1 MiB");
    if (!body.starts_with(kPrefix))
        return notTheForm();
    const std::string_view afterPrefix = body.substr(kPrefix.size());
    const std::size_t keyEnd = afterPrefix.find('"');
    if (keyEnd == std::string_view::npos)
        return notTheForm();
    const std::string_view key = afterPrefix.substr(0, keyEnd);
    if (key.empty())
        return refused("the player key is empty");
    if (key.size() > kMaxPlayerKeyBytes)
        return refused("the player key is longer than 256 bytes");
    const std::string_view afterKey = afterPrefix.substr(keyEnd + 1);
    if (!afterKey.starts_with(',') || !afterKey.ends_with(']'))
        return notTheForm();
    const std::string_view pointsText = afterKey.substr(1, afterKey.size() - 2);

    json::ZQJsonParser parser;
    parser.setReferencesInput(true);
    const std::optional<json::Document> parsed = parser.objectWithStringAllowScalar(pointsText, false);
    const json::Array* list = parsed ? parsed->asArray() : nullptr;
    if (!list)
        return notTheForm();
    if (list->size() > kMaxPointsPerRequest)
        return refused("more than 10000 points");
    // Our parser forgives missing commas; the form does not. Numbers hold no commas, so a list of n
    // pairs written with every comma has exactly 2n − 1 of them.
    const auto commas = static_cast<std::size_t>(std::count(pointsText.begin(), pointsText.end(), ','));
    if (commas != (list->empty() ? 0 : 2 * list->size() - 1))
        return notTheForm();

    PlayRequest request { std::string(key), {} };
    request.points.reserve(list->size());
    for (const json::Value& entry : *list) {
        const json::Array* pair = entry.asArray();
        if (!pair || pair->size() != 2)
            return notTheForm();
        const std::optional<double> latitude = coordinate((*pair)[0], 90);
        const std::optional<double> longitude = coordinate((*pair)[1], 180);
        if (!latitude || !longitude)
            return badCoordinate();
        request.points.push_back({ *latitude, *longitude });
    }
    return { std::move(request), {} };
}

} // namespace protocol
