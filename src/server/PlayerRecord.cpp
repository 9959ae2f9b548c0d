#include "PlayerRecord.h"

#include "ZQJsonParser.h"
#include "ZQJsonWriter.h"

#include <fmt/format.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace server {

namespace {

// An id the JSON writer copies as it is: printable ASCII without quotes or backslashes.
bool isPlain(std::string_view text)
{
    return std::ranges::all_of(text, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte < 0x80 && c != '"' && c != '\\';
    });
}

// A coordinate's shortest text, which reads back to it exactly: std::to_chars writes it in plain
// notation as the JSON writer does from 1e-6 to 1e15 (the rules' always are), the writer the others.
void appendCoordinate(std::string& text, double value)
{
    char number[json::Decimal::kMaxTextLength];
    const double magnitude = std::abs(value);
    char* const end = magnitude == 0 || (magnitude >= 1e-6 && magnitude < 1e15)
        ? std::to_chars(number, number + sizeof number, value, std::chars_format::fixed).ptr
        : json::Decimal::fromDouble(value)->writeTo(number);
    text.append(number, end);
}

} // namespace

// The JSON writer's text of the objects, written straight when every id is plain (the rules' ids are).
std::string objectsText(const std::vector<PlacedObject>& objects)
{
    if (std::ranges::all_of(objects, [](const PlacedObject& object) { return isPlain(object.id); })) {
        std::string text = "[";
        text.reserve(48 * objects.size() + 2);
        for (const PlacedObject& object : objects) {
            text += text.size() == 1 ? "[\"" : ",[\"";
            text += object.id;
            text += "\",";
            appendCoordinate(text, object.where.latitude);
            text += ',';
            appendCoordinate(text, object.where.longitude);
            text += ']';
        }
        return text + ']';
    }
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
    parser.setReferencesInput(true);
    const std::optional<json::Document> parsed = parser.objectWithStringAllowScalar(text, false);
    return parsed ? objectsOf(*parsed) : std::nullopt;
}

std::optional<std::vector<PlacedObject>> objectsOf(const json::Value& value)
{
    const json::Array* list = value.asArray();
    if (!list)
        return std::nullopt;
    std::vector<PlacedObject> objects;
    objects.reserve(list->size());
    for (const json::Value& entry : *list) {
        const json::Array* fields = entry.asArray();
        if (!fields || fields->size() != 3)
            return std::nullopt;
        const std::optional<std::string_view> id = (*fields)[0].asString();
        const std::optional<json::Decimal> latitude = (*fields)[1].asNumber();
        const std::optional<json::Decimal> longitude = (*fields)[2].asNumber();
        if (!id || !latitude || !longitude)
            return std::nullopt;
        objects.push_back({ std::string(*id), { latitude->doubleValue(), longitude->doubleValue() } });
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
