#pragma once

#include "GeoPoint.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace server {

// What a play request asks: the player's key and the points the player reached since the last
// answer, oldest first.
struct PlayRequest {
    std::string key;
    std::vector<GeoPoint> points;
};

inline constexpr std::size_t kMaxPlayBodyBytes = 1024 * 1024;
inline constexpr std::size_t kMaxPlayerKeyBytes = 256;
inline constexpr std::size_t kMaxPointsPerRequest = 10000;

// A body read as a play request, or the one-line reason why it is not one.
struct PlayRequestReading {
    std::optional<PlayRequest> request;
    std::string problem; // empty when `request` is set
};

// Reads exactly the body the client sends: `data=["KEY",[[lat,lon],…]]`, not percent-encoded. The key
// stands verbatim between the quotes (the client does not escape it, so it cannot hold a double
// quote): 1 to 256 bytes, taken as they are. The points are a JSON array (read by our codec;
// blanks allowed, commas required) of pairs of finite numbers: latitude −90 to 90, longitude −180 to
// 180, at most 10 000 of them; an empty list is allowed. Bodies over 1 MiB are refused unread.
PlayRequestReading readPlayRequest(std::string_view body);

} // namespace server
