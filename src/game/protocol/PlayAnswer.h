#pragma once

#include "GameObject.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace game {

// What the client takes from the server's answer. A missing number reads as 0.
struct PlayAnswer {
    // The game objects around the player; none when the answer has no "O" list (which is not the
    // same as an empty list: the markers then stay as they are).
    std::optional<std::vector<GameObject>> objects;
    std::int32_t score = 0; // "S"
    std::int32_t total = 0; // "T"
    std::int32_t level = 0; // "L"
    std::int32_t princessCount = 0; // "P"
    float temperature = 0; // "t", percent

    friend bool operator==(const PlayAnswer&, const PlayAnswer&) = default;
};

// Reads the answer text (none when the answer bytes were not text). Never fails: text that is not
// a JSON object reads as an empty answer (invalid JSON also logs the codec's "-JSONValue failed"
// line); an "O" that is not an array reads as absent; game objects of the wrong shape are skipped;
// a value of the wrong type reads as missing. Integers are truncated toward zero and saturated to
// the int32 range.
PlayAnswer readPlayAnswer(std::optional<std::string_view> answerText);

} // namespace game
