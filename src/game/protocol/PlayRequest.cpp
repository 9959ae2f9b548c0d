#include "PlayRequest.h"

#include "ZQJsonOperations.h"

namespace game {

namespace {
json::Value coordinate(float degrees)
{
    const std::optional<json::Decimal> number = json::Decimal::fromFloat(degrees);
    return number ? json::Value(*number) : json::Value();
}
} // namespace

std::string makePlayRequestBody(std::string_view playerKey, std::span<const LocatedPoint> points)
{
    json::Array list;
    list.reserve(points.size());
    for (const LocatedPoint& point : points)
        list.emplace_back(json::Array { coordinate(point.latitude), coordinate(point.longitude) });
    // A list of number pairs always writes.
    const std::string pointsText = json::JSONRepresentation(json::Value(std::move(list))).value_or("[]");

    std::string body;
    body.reserve(pointsText.size() + playerKey.size() + 10);
    body += "data=[\"";
    body += playerKey;
    body += "\",";
    body += pointsText;
    body += ']';
    return body;
}

} // namespace game
