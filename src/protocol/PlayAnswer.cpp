#include "PlayAnswer.h"

#include "ZQJsonOperations.h"
#include "ZQJsonWriter.h"

#include <algorithm>
#include <cmath>

namespace protocol {

namespace {
json::Decimal rounded(double value, double unitsPerOne)
{
    // Rounding to whole units first gives the short decimal text of the rounded number.
    return json::Decimal::fromDouble(std::round(value * unitsPerOne) / unitsPerOne).value_or(json::Decimal());
}

// A text the JSON writer copies as it is: printable ASCII without quotes or backslashes.
bool isPlain(std::string_view text)
{
    return std::ranges::all_of(text, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte < 0x80 && c != '"' && c != '\\';
    });
}

void appendNumber(std::string& out, const json::Decimal& number)
{
    char text[json::Decimal::kMaxTextLength];
    out.append(text, number.writeTo(text));
}

// The writer's text for an answer whose texts are all plain, written straight (the server writes one
// for every request); none otherwise.
std::optional<std::string> writePlainAnswer(const PlayAnswer& answer)
{
    std::string out = "{";
    if (answer.objects) {
        out.reserve(64 * (answer.objects->size() + 1));
        out += "\"O\":[";
        for (const GameObject& object : *answer.objects) {
            if (!isPlain(object.id) || !isPlain(object.imageName))
                return std::nullopt;
            out += out.back() == '[' ? "[\"" : ",[\"";
            out += object.id;
            out += "\",";
            appendNumber(out, rounded(object.where.latitude, 1e7));
            out += ',';
            appendNumber(out, rounded(object.where.longitude, 1e7));
            out += ",\"";
            out += object.imageName;
            out += "\"]";
        }
        out += "],";
    }
    for (const auto& [key, value] :
        { std::pair { "\"S\":", answer.score }, std::pair { ",\"T\":", answer.total },
            std::pair { ",\"L\":", answer.level }, std::pair { ",\"P\":", answer.princessCount } }) {
        out += key;
        appendNumber(out, json::Decimal::fromInt(value));
    }
    out += ",\"t\":";
    appendNumber(out, rounded(answer.temperature, 100));
    out += '}';
    return out;
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
    if (std::optional<std::string> plain = writePlainAnswer(answer))
        return std::move(*plain);
    json::Object fields;
    fields.reserve(6);
    if (answer.objects) {
        json::Array objects;
        objects.reserve(answer.objects->size());
        for (const GameObject& object : *answer.objects) {
            objects.emplace_back(
                json::Array { json::Value(object.id), json::Value(rounded(object.where.latitude, 1e7)),
                    json::Value(rounded(object.where.longitude, 1e7)), json::Value(object.imageName) });
        }
        fields.insertOrAssign("O", json::Value(std::move(objects)));
    }
    fields.insertOrAssign("S", json::Value(answer.score));
    fields.insertOrAssign("T", json::Value(answer.total));
    fields.insertOrAssign("L", json::Value(answer.level));
    fields.insertOrAssign("P", json::Value(answer.princessCount));
    fields.insertOrAssign("t", json::Value(rounded(answer.temperature, 100)));
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
