#include "PlayAnswer.h"

#include "ZQJsonOperations.h"
#include "ZQJsonWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

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

// The text of `rounded(value, 10^decimals)`, made from the whole number of units: that number's
// digits are the rounded value's shortest text, in plain notation from 1e-6 on. Others (smaller, huge
// or not finite) take the codec's way.
void appendRounded(std::string& out, double value, int decimals)
{
    static constexpr std::uint64_t kScales[] = { 1, 10, 100, 1000, 10'000, 100'000, 1'000'000, 10'000'000 };
    const std::uint64_t scale = kScales[decimals];
    const double units = std::round(value * static_cast<double>(scale));
    const double magnitude = std::abs(units);
    if (!(magnitude < 1e15) || (magnitude != 0 && magnitude * 1e6 < static_cast<double>(scale)))
        return appendNumber(out, rounded(value, static_cast<double>(scale)));
    if (std::signbit(units))
        out += '-';
    const auto whole = static_cast<std::uint64_t>(magnitude);
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, whole / scale).ptr);
    std::uint64_t fraction = whole % scale;
    if (fraction == 0)
        return;
    int digits = decimals;
    for (; fraction % 10 == 0; fraction /= 10)
        --digits;
    char* const end = std::to_chars(text, text + sizeof text, fraction).ptr;
    out += '.';
    out.append(static_cast<std::size_t>(digits - (end - text)), '0');
    out.append(text, end);
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
            appendRounded(out, object.where.latitude, 7);
            out += ',';
            appendRounded(out, object.where.longitude, 7);
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
    appendRounded(out, answer.temperature, 2);
    out += '}';
    return out;
}

std::optional<json::Decimal> numberFor(const json::Object& answer, std::string_view key)
{
    const json::Value* value = answer.find(key);
    return value ? value->asNumber() : std::nullopt;
}

std::int32_t integerFor(const json::Object& answer, std::string_view key)
{
    const std::optional<json::Decimal> number = numberFor(answer, key);
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
    const std::optional<json::Document> parsed = json::JSONValue(*answerText);
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
    if (const std::optional<json::Decimal> temperature = numberFor(*fields, "t"))
        answer.temperature = temperature->floatValue();
    return answer;
}

} // namespace protocol
