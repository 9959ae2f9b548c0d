#pragma once

#include "PlayAnswer.h"
#include "PlayerState.h"

#include <cstdint>
#include <span>
#include <string>

namespace server {

// The rules of the game (docs/game-rules.md explains them to players). Distances in metres.
struct GameRuleNumbers {
    static constexpr int kCoinsOnLevelZero = 5;
    static constexpr int kCoinsOnLaterLevels = 3;
    static constexpr double kCoinNearest = 20;
    static constexpr double kCoinFarthest = 150;
    static constexpr double kPrincessNearest = 200;
    static constexpr double kPrincessFarthest = 600;
    // A point this close to a coin collects it, to a princess saves her; the temperature is 100 here.
    static constexpr double kReach = 15;
    // A princess shows on the map from this close.
    static constexpr double kSight = 75;
    // The temperature is 0 from this far; in between it rises in proportion as the distance shrinks.
    static constexpr double kCold = 1000;
    // Fair play: a player moves at most this fast (a sprinter's pace, in metres a second) …
    static constexpr double kFastest = 12;
    // … plus this far, for positioning noise, between two points the rules take.
    static constexpr double kNoise = 25;
};

// The id of the player's own hero among the objects of an answer.
inline constexpr const char* kHeroId = "hero";

// Applies the rules to a player's state. Placement is random but reproducible: the objects of a level
// depend only on the random seed, the player's key, the level and where the level began. Stateless apart
// from its settings, so one instance serves every thread. Times are seconds since 1970.
class GameRules {
public:
    // `fastest`: the speed no player can beat, in metres a second.
    explicit GameRules(std::uint64_t seed, double fastest = GameRuleNumbers::kFastest)
        : seed_(seed)
        , fastest_(fastest)
    { }

    // A new player at the first point received, at `now`: level 0 with its coins placed around that
    // point.
    PlayerState newPlayer(std::string key, base::GeoPoint first, double now) const;

    // The player went through `points`, in order, arriving at `now`. The rules take a point only as
    // far as the player could have gone: the path from the last point taken may be as long as
    // `fastest` metres a second since then, plus kNoise; points beyond are ignored. Every coin within
    // reach of a point taken is collected, every princess within reach (from level 1) saved. A level
    // finished by an earlier request gives way to the next one at the first point taken, so that every
    // finished level shows in one answer. The work grows with the points and the logarithm of the
    // objects, whatever the level.
    void play(PlayerState& player, std::span<const base::GeoPoint> points, double now) const;

    // Level 0 is finished when every coin is collected, a later level when every princess is saved.
    static bool levelFinished(const PlayerState& player);

    // What the player sees: the hero at the latest point, the coins still to collect, the princesses
    // within sight; the score, level and temperature.
    static protocol::PlayAnswer answerFor(const PlayerState& player);

    // The closeness to the nearest princess still to save, in percent: 100 within reach, 0 from
    // kCold on (and at level 0), falling linearly in between.
    static double temperature(const PlayerState& player);

    std::uint64_t seed() const { return seed_; }
    double fastest() const { return fastest_; }

private:
    void startLevel(PlayerState& player, int level) const;

    std::uint64_t seed_;
    double fastest_;
};

} // namespace server
