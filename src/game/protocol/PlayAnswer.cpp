#include "PlayAnswer.h"

#include "ZQJsonOperations.h"

namespace game {

namespace {
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

} // namespace game
