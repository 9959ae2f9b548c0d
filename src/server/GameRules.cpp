#include "GameRules.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>
#include <optional>

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

// The objects of one kind in order of latitude, so that a point looks only at the narrow band of
// latitudes within reach of it: a request's work grows with its points and the logarithm of the
// objects, not with their product.
class ReachIndex {
public:
    explicit ReachIndex(const std::vector<PlacedObject>& objects)
        : objects_(objects)
        , order_(objects.size())
        , taken_(objects.size(), false)
    {
        std::iota(order_.begin(), order_.end(), std::size_t(0));
        std::ranges::sort(order_, {}, [this](std::size_t i) { return objects_[i].where.latitude; });
    }

    // Marks the objects within reach of `point` taken; how many were not taken before.
    int take(base::GeoPoint point)
    {
        const auto latitude = [this](std::size_t i) { return objects_[i].where.latitude; };
        const auto first = std::ranges::lower_bound(order_, point.latitude - kBand, {}, latitude);
        // Within the band, most objects lie east or west beyond reach: along the parallel the
        // distance is nearly the change of longitude times its cosine (with room to spare, and not
        // near the poles, where the parallels shrink too fast for that).
        const double metresPerDegreeEastward = std::abs(point.latitude) < 89
            ? kMetresPerDegree * std::cos(point.latitude * kRadiansPerDegree)
            : 0;
        int count = 0;
        for (auto i = first; i != order_.end() && latitude(*i) <= point.latitude + kBand; ++i) {
            if (taken_[*i])
                continue;
            double longitudeStep = std::abs(objects_[*i].where.longitude - point.longitude);
            if (longitudeStep > 180)
                longitudeStep = 360 - longitudeStep;
            if (longitudeStep * metresPerDegreeEastward > 1.1 * Numbers::kReach)
                continue;
            if (base::distanceMetres(point, objects_[*i].where) <= Numbers::kReach) {
                taken_[*i] = true;
                ++count;
            }
        }
        return count;
    }

    // Removes the objects taken from the list the index was made of, keeping the others' order.
    void dropTaken(std::vector<PlacedObject>& objects) const
    {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (!taken_[i] && kept++ != i)
                objects[kept - 1] = std::move(objects[i]);
        }
        objects.resize(kept);
    }

private:
    static constexpr double kRadiansPerDegree = std::numbers::pi / 180;
    static constexpr double kMetresPerDegree = base::kEarthRadiusMetres * kRadiansPerDegree;
    // No two points further apart in latitude than this are within reach: a great circle is never
    // shorter than its change of latitude (a little slack for rounding).
    static constexpr double kBand = Numbers::kReach / kMetresPerDegree * 1.001;

    const std::vector<PlacedObject>& objects_;
    std::vector<std::size_t> order_;
    std::vector<bool> taken_;
};

double nearestDistance(const std::vector<PlacedObject>& objects, base::GeoPoint point)
{
    double nearest = std::numeric_limits<double>::infinity();
    for (const PlacedObject& object : objects)
        nearest = std::min(nearest, base::distanceMetres(point, object.where));
    return nearest;
}
} // namespace

PlayerState GameRules::newPlayer(std::string key, base::GeoPoint first, double now) const
{
    PlayerState player;
    player.key = std::move(key);
    player.position = first;
    player.lastMoved = now;
    startLevel(player, 0);
    return player;
}

void GameRules::play(PlayerState& player, std::span<const base::GeoPoint> points, double now) const
{
    double pathLeft = fastest_ * std::max(0.0, now - player.lastMoved) + Numbers::kNoise;
    std::optional<ReachIndex> coins;
    std::optional<ReachIndex> princesses;
    for (const base::GeoPoint point : points) {
        const double step = base::distanceMetres(player.position, point);
        if (!(step <= pathLeft))
            continue;
        pathLeft -= step;
        player.position = point;
        player.lastMoved = now;
        if (!coins) {
            if (levelFinished(player))
                startLevel(player, player.level + 1);
            coins.emplace(player.coins);
            princesses.emplace(player.princesses);
        }
        player.score += coins->take(point);
        if (player.level > 0)
            player.saved += princesses->take(point);
    }
    if (coins) {
        coins->dropTaken(player.coins);
        princesses->dropTaken(player.princesses);
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
