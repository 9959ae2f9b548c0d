#include "PlayAnswer.h"

#include "ZQJsonOperations.h"
#include "ZQJsonWriter.h"

#include <cmath>

namespace protocol {

namespace {
json::Value rounded(double value, double unitsPerOne)
{
    // Rounding to whole units first gives the short decimal text of the rounded number.
    return json::Value(
        json::Decimal::fromDouble(std::round(value * unitsPerOne) / unitsPerOne).value_or(json::Decimal()));
}

const json::Decimal* numberFor(const json::Object& answer, std::string_view key)
{
    const json::Value* value = answer.find(key);
    return value ? value->asNumber() : nullptr;
}

std::int32_t integerFor(const json::Object& answer, std::string_view key)
{
    const json::Decimal* number = numberFor(answer, key);
    return number ? number->intValue() : 0;
}
} // namespace

std::string writePlayAnswer(const PlayAnswer& answer)
{
    json::Object fields;
    fields.reserve(6);
    if (answer.objects) {
        json::Array objects;
        objects.reserve(answer.objects->size());
        for (const GameObject& object : *answer.objects) {
            objects.emplace_back(json::Array { json::Value(object.id), rounded(object.where.latitude, 1e7),
                rounded(object.where.longitude, 1e7), json::Value(object.imageName) });
        }
        fields.insertOrAssign("O", json::Value(std::move(objects)));
    }
    fields.insertOrAssign("S", json::Value(answer.score));
    fields.insertOrAssign("T", json::Value(answer.total));
    fields.insertOrAssign("L", json::Value(answer.level));
    fields.insertOrAssign("P", json::Value(answer.princessCount));
    fields.insertOrAssign("t", rounded(answer.temperature, 100));
    json::ZQJsonWriter writer;
    // Ids and image names are the server's own (ASCII), so the answer always writes.
    return writer.stringWithObjectAllowScalar(json::Value(std::move(fields)), false).value_or("{}");
}

PlayAnswer readPlayAnswer(std::optional<std::string_view> answerText)
{
    PlayAnswer answer;
    if (!answerText)
        return answer;
    const std::optional<json::Value> parsed = json::JSONValue(*answerText);
    const json::Object* fields = parsed ? parsed->asObject() : nullptr;
    if (!fields)
        return answer;

    if (const json::Value* list = fields->find("O"); list && list->asArray()) {
        std::vector<GameObject>& objects = answer.objects.emplace();
        objects.reserve(list->asArray()->size());
        for (const json::Value& entry : *list->asArray()) {
            if (std::optional<GameObject> object = readGameObject(entry))
                objects.push_back(std::move(*object));
        }
    }
    answer.score = integerFor(*fields, "S");
    answer.total = integerFor(*fields, "T");
    answer.level = integerFor(*fields, "L");
    answer.princessCount = integerFor(*fields, "P");
    if (const json::Decimal* temperature = numberFor(*fields, "t"))
        answer.temperature = temperature->floatValue();
    return answer;
}

} // namespace protocol
