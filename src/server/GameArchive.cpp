#include "GameArchive.h"

#include "PlayerRecord.h"
#include "ZQJsonParser.h"
#include "ZQJsonWriter.h"

#include <algorithm>
#include <cmath>
#include <istream>
#include <limits>
#include <ostream>

namespace server {

namespace {

json::Value number(double value)
{
    return json::Value(json::Decimal::fromDouble(value).value_or(json::Decimal::fromInt(0)));
}

json::Value objectsValue(const std::vector<PlacedObject>& objects)
{
    json::Array list;
    list.reserve(objects.size());
    for (const PlacedObject& object : objects)
        list.emplace_back(json::Array {
            json::Value(object.id), number(object.where.latitude), number(object.where.longitude) });
    return json::Value(std::move(list));
}

std::optional<double> doubleIn(const json::Object& game, std::string_view name)
{
    const json::Value* value = game.find(name);
    const std::optional<json::Decimal> decimal = value ? value->asNumber() : std::nullopt;
    if (!decimal)
        return std::nullopt;
    const double read = decimal->doubleValue();
    return std::isfinite(read) ? std::optional(read) : std::nullopt;
}

std::optional<int> countIn(const json::Object& game, std::string_view name)
{
    const std::optional<double> read = doubleIn(game, name);
    if (!read || *read < 0 || *read > std::numeric_limits<int>::max() || std::trunc(*read) != *read)
        return std::nullopt;
    return static_cast<int>(*read);
}

std::optional<std::vector<PlacedObject>> objectsIn(const json::Object& game, std::string_view name)
{
    const json::Value* value = game.find(name);
    std::optional<std::vector<PlacedObject>> objects = value ? objectsOf(*value) : std::nullopt;
    if (objects && !std::ranges::all_of(*objects, [](const PlacedObject& object) {
            return base::isValidCoordinate(object.where);
        }))
        return std::nullopt;
    return objects;
}

} // namespace

std::string archiveLine(const PlayerState& player)
{
    const json::Object game { { "key", json::Value(player.key) }, { "level", json::Value(player.level) },
        { "saved", json::Value(player.saved) }, { "score", json::Value(player.score) },
        { "total", json::Value(player.total) }, { "latitude", number(player.position.latitude) },
        { "longitude", number(player.position.longitude) }, { "updated", number(player.lastMoved) },
        { "coins", objectsValue(player.coins) }, { "princesses", objectsValue(player.princesses) } };
    json::ZQJsonWriter writer;
    return writer.stringWithObjectAllowScalar(json::Value(game), false).value_or("");
}

std::optional<PlayerState> gameFromArchiveLine(std::string_view line, std::string& problem)
{
    json::ZQJsonParser parser;
    parser.setReferencesInput(true);
    const std::optional<json::Document> parsed = parser.objectWithStringAllowScalar(line, false);
    const json::Object* game = parsed ? parsed->asObject() : nullptr;
    if (!game) {
        problem = "not a JSON object";
        return std::nullopt;
    }
    PlayerState player;
    const json::Value* key = game->find("key");
    const std::optional<int> level = countIn(*game, "level"), saved = countIn(*game, "saved"),
                             score = countIn(*game, "score"), total = countIn(*game, "total");
    const std::optional<double> latitude = doubleIn(*game, "latitude"),
                                longitude = doubleIn(*game, "longitude"),
                                updated = doubleIn(*game, "updated");
    std::optional<std::vector<PlacedObject>> coins = objectsIn(*game, "coins");
    std::optional<std::vector<PlacedObject>> princesses = objectsIn(*game, "princesses");
    if (!key || !key->asString() || key->asString()->empty() || !level || !saved || !score || !total
        || !latitude || !longitude || !updated || !coins || !princesses
        || !base::isValidCoordinate({ *latitude, *longitude })) {
        problem = "not a game: a field is missing or out of range";
        return std::nullopt;
    }
    player.key = std::string(*key->asString());
    player.level = *level;
    player.saved = *saved;
    player.score = *score;
    player.total = *total;
    player.position = { *latitude, *longitude };
    player.lastMoved = *updated;
    player.coins = std::move(*coins);
    player.princesses = std::move(*princesses);
    return player;
}

std::optional<long long> exportGames(PlayerStore& store, std::ostream& out)
{
    long long count = 0;
    const bool read = store.forEachPlayer([&](const PlayerState& player) {
        out << archiveLine(player) << '\n';
        ++count;
    });
    out.flush();
    return read && out ? std::optional(count) : std::nullopt;
}

std::optional<long long> importGames(PlayerStore& store, std::istream& in, std::string& problem)
{
    std::vector<PlayerState> games;
    std::string line;
    for (long long number = 1; std::getline(in, line); ++number) {
        if (line.empty())
            continue;
        std::optional<PlayerState> game = gameFromArchiveLine(line, problem);
        if (!game) {
            problem = "line " + std::to_string(number) + ": " + problem;
            return std::nullopt;
        }
        games.push_back(std::move(*game));
    }
    if (in.bad()) {
        problem = "the file cannot be read";
        return std::nullopt;
    }
    for (std::size_t i = 0; i < games.size(); ++i) {
        if (!store.replace(games[i])) {
            problem = "the players database failed after " + std::to_string(i) + " games (the log says why)";
            return std::nullopt;
        }
    }
    return static_cast<long long>(games.size());
}

} // namespace server
