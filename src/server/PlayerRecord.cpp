#include "PlayerRecord.h"

#include "ZQJsonParser.h"
#include "ZQJsonWriter.h"

#include <fmt/format.h>
#include <openssl/evp.h>

#include <array>

namespace server {

std::string objectsText(const std::vector<PlacedObject>& objects)
{
    json::Array list;
    list.reserve(objects.size());
    for (const PlacedObject& object : objects) {
        list.emplace_back(json::Array { json::Value(object.id),
            json::Value(*json::Decimal::fromDouble(object.where.latitude)),
            json::Value(*json::Decimal::fromDouble(object.where.longitude)) });
    }
    json::ZQJsonWriter writer;
    return writer.stringWithObjectAllowScalar(json::Value(std::move(list)), false).value_or("[]");
}

std::optional<std::vector<PlacedObject>> objectsFrom(std::string_view text)
{
    json::ZQJsonParser parser;
    const std::optional<json::Value> parsed = parser.objectWithStringAllowScalar(text, false);
    const json::Array* list = parsed ? parsed->asArray() : nullptr;
    if (!list)
        return std::nullopt;
    std::vector<PlacedObject> objects;
    objects.reserve(list->size());
    for (const json::Value& entry : *list) {
        const json::Array* fields = entry.asArray();
        if (!fields || fields->size() != 3 || !(*fields)[0].asString() || !(*fields)[1].asNumber()
            || !(*fields)[2].asNumber())
            return std::nullopt;
        objects.push_back({ *(*fields)[0].asString(),
            { (*fields)[1].asNumber()->doubleValue(), (*fields)[2].asNumber()->doubleValue() } });
    }
    return objects;
}

std::string shortHash(std::string_view key)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest {};
    unsigned int length = 0;
    EVP_Digest(key.data(), key.size(), digest.data(), &length, EVP_sha256(), nullptr);
    std::string name;
    for (std::size_t i = 0; i < 6; ++i)
        name += fmt::format("{:02x}", digest[i]);
    return name;
}

} // namespace server
