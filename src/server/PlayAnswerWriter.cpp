#include "PlayAnswerWriter.h"

#include "ZQJsonWriter.h"

#include <cmath>

namespace server {

namespace {
json::Value rounded(double value, double unitsPerOne)
{
    // Rounding to whole units first gives the short decimal text of the rounded number.
    return json::Value(
        json::Decimal::fromDouble(std::round(value * unitsPerOne) / unitsPerOne).value_or(json::Decimal()));
}
} // namespace

std::string writePlayAnswer(const PlayAnswer& answer)
{
    json::Array objects;
    objects.reserve(answer.objects.size());
    for (const ShownObject& object : answer.objects) {
        objects.emplace_back(json::Array { json::Value(object.id), rounded(object.where.latitude, 1e7),
            rounded(object.where.longitude, 1e7), json::Value(object.imageName) });
    }
    json::Object fields;
    fields.reserve(6);
    fields.insertOrAssign("O", json::Value(std::move(objects)));
    fields.insertOrAssign("S", json::Value(answer.score));
    fields.insertOrAssign("T", json::Value(answer.total));
    fields.insertOrAssign("L", json::Value(answer.level));
    fields.insertOrAssign("P", json::Value(answer.saved));
    fields.insertOrAssign("t", rounded(answer.temperature, 100));
    json::ZQJsonWriter writer;
    // Ids and image names are ours (ASCII), so the answer always writes.
    return writer.stringWithObjectAllowScalar(json::Value(std::move(fields)), false).value_or("{}");
}

} // namespace server
