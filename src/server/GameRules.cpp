#include "GameRules.h"

#include <algorithm>
#include <limits>
#include <numbers>

namespace server {

namespace {
using Numbers = GameRuleNumbers;

// SplitMix64: small, fast and the same on every platform, so a seed places the same objects
// everywhere (the standard library's distributions are not specified bit for bit).
class PlacementRandom {
public:
    explicit PlacementRandom(std::uint64_t state)
        : state_(state)
    { }

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Uniform in [low, high).
    double between(double low, double high) { return low + (high - low) * (next() >> 11) * 0x1.0p-53; }

private:
    std::uint64_t state_;
};

std::uint64_t fnv1a(std::string_view text)
{
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (const char byte : text)
        hash = (hash ^ static_cast<unsigned char>(byte)) * 0x100000001B3ULL;
    return hash;
}

void place(std::vector<PlacedObject>& objects, PlacementRandom& random, const std::string& idPrefix,
    int count, base::GeoPoint around, double nearest, double farthest)
{
    for (int i = 1; i <= count; ++i) {
        const double bearing = random.between(0, 2 * std::numbers::pi);
        const double metres = random.between(nearest, farthest);
        objects.push_back({ idPrefix + std::to_string(i), base::destination(around, bearing, metres) });
    }
}

// Removes the objects within reach of `point`; returns how many.
int takeWithinReach(std::vector<PlacedObject>& objects, base::GeoPoint point)
{
    const auto reached = std::remove_if(objects.begin(), objects.end(), [point](const PlacedObject& object) {
        return base::distanceMetres(point, object.where) <= Numbers::kReach;
    });
    const auto count = static_cast<int>(objects.end() - reached);
    objects.erase(reached, objects.end());
    return count;
}

double nearestDistance(const std::vector<PlacedObject>& objects, base::GeoPoint point)
{
    double nearest = std::numeric_limits<double>::infinity();
    for (const PlacedObject& object : objects)
        nearest = std::min(nearest, base::distanceMetres(point, object.where));
    return nearest;
}
} // namespace

PlayerState GameRules::newPlayer(std::string key, base::GeoPoint first) const
{
    PlayerState player;
    player.key = std::move(key);
    player.position = first;
    startLevel(player, 0);
    return player;
}

void GameRules::play(PlayerState& player, std::span<const base::GeoPoint> points) const
{
    if (points.empty())
        return;
    if (levelFinished(player)) {
        player.position = points.front();
        startLevel(player, player.level + 1);
    }
    for (const base::GeoPoint point : points) {
        player.position = point;
        player.score += takeWithinReach(player.coins, point);
        if (player.level > 0)
            player.saved += takeWithinReach(player.princesses, point);
    }
}

bool GameRules::levelFinished(const PlayerState& player)
{
    return player.level == 0 ? player.coins.empty() : player.princesses.empty();
}

void GameRules::startLevel(PlayerState& player, int level) const
{
    player.level = level;
    player.saved = 0;
    const std::uint64_t levelSeed = seed_ ^ fnv1a(player.key) ^ (static_cast<std::uint64_t>(level) << 48);
    PlacementRandom random(levelSeed);
    const std::string levelText = std::to_string(level);
    const int coins = level == 0 ? Numbers::kCoinsOnLevelZero : Numbers::kCoinsOnLaterLevels;
    place(player.coins, random, "c" + levelText + "-", coins, player.position, Numbers::kCoinNearest,
        Numbers::kCoinFarthest);
    player.total += coins;
    player.princesses.clear();
    place(player.princesses, random, "p" + levelText + "-", level, player.position, Numbers::kPrincessNearest,
        Numbers::kPrincessFarthest);
}

protocol::PlayAnswer GameRules::answerFor(const PlayerState& player)
{
    protocol::PlayAnswer answer;
    answer.score = player.score;
    answer.total = player.total;
    answer.level = player.level;
    answer.princessCount = player.saved;
    answer.temperature = temperature(player);

    const bool princessInSight = nearestDistance(player.princesses, player.position) <= Numbers::kSight;
    std::vector<protocol::GameObject>& objects = answer.objects.emplace();
    objects.reserve(1 + player.coins.size() + player.princesses.size());
    objects.push_back({ kHeroId, player.position,
        std::string(princessInSight ? protocol::kHeroSeesPrincessPicture : protocol::kHeroPicture) });
    for (const PlacedObject& coin : player.coins)
        objects.push_back({ coin.id, coin.where, std::string(protocol::kCoinPicture) });
    for (const PlacedObject& princess : player.princesses) {
        if (base::distanceMetres(player.position, princess.where) <= Numbers::kSight)
            objects.push_back({ princess.id, princess.where, std::string(protocol::kPrincessPicture) });
    }
    return answer;
}

double GameRules::temperature(const PlayerState& player)
{
    const double distance = nearestDistance(player.princesses, player.position);
    if (distance <= Numbers::kReach)
        return 100;
    if (distance >= Numbers::kCold)
        return 0;
    return 100 * (Numbers::kCold - distance) / (Numbers::kCold - Numbers::kReach);
}

} // namespace server
