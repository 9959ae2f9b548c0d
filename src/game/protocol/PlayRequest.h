#pragma once

#include "LocatedPoint.h"

#include <span>
#include <string>
#include <string_view>

namespace game {

// The body of a play request: the UTF-8 bytes of `data=["<player key>",<points>]`, where <points>
// is the compact JSON list of [latitude,longitude] pairs in order. Each coordinate is the shortest
// decimal text that reads back to the same float; a coordinate that is not finite is written as
// null. The key is inserted verbatim (no escaping, no percent-encoding): the server expects it so.
std::string makePlayRequestBody(std::string_view playerKey, std::span<const LocatedPoint> points);

} // namespace game
