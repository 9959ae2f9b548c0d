#pragma once

#include "GameObject.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace protocol {

// The server's answer to a play request: {"O":[…],"S":…,"T":…,"L":…,"P":…,"t":…}.
struct PlayAnswer {
    // "O": the game objects around the player; none when the answer has no "O" list (which is not
    // the same as an empty list: the client's markers then stay as they are).
    std::optional<std::vector<GameObject>> objects;
    std::int32_t score = 0; // "S": coins collected, all levels together
    std::int32_t total = 0; // "T": coins placed, all levels together
    std::int32_t level = 0; // "L"
    std::int32_t princessCount = 0; // "P": princesses saved on this level
    double temperature = 0; // "t", percent; as read, narrowed to a 32-bit float then widened

    friend bool operator==(const PlayAnswer&, const PlayAnswer&) = default;
};

// The server's side: the answer written compact in the key order above, coordinates to 7
// decimals (about 1 cm), the temperature to 2; "O" only when there is a list.
std::string writePlayAnswer(const PlayAnswer& answer);

// The client's side: reads the answer text (none when the answer bytes were not text). Never
// fails: text that is not a JSON object reads as an empty answer (invalid JSON also logs the
// codec's "-JSONValue failed" line); an "O" that is not an array reads as absent; game objects of
// the wrong shape are skipped; a value of the wrong type reads as missing, a missing number as 0.
// Integers are truncated toward zero and saturated to the int32 range.
PlayAnswer readPlayAnswer(std::optional<std::string_view> answerText);

} // namespace protocol
