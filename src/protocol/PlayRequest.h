#pragma once

#include "GeoPoint.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace protocol {

// A play request: the player's key and the points the player reached since the last answer,
// oldest first. Its body is the UTF-8 bytes of `data=["<player key>",<points>]`, where <points> is
// the compact JSON list of [latitude,longitude] pairs in order, not percent-encoded.
struct PlayRequest {
    std::string key;
    std::vector<base::GeoPoint> points;
};

// The path of the play endpoint (HTTPS, POST) and of the game objects' pictures (plain HTTP, GET
// kPicturePath + NAME + ".png").
inline constexpr std::string_view kPlayPath = "/api/play";
inline constexpr std::string_view kPicturePath = "/img/";

inline constexpr std::size_t kMaxPlayBodyBytes = 1024 * 1024;
inline constexpr std::size_t kMaxPlayerKeyBytes = 256;
inline constexpr std::size_t kMaxPointsPerRequest = 10000;

// The client's side: the body for `points`, each coordinate narrowed to a 32-bit float and written
// as the shortest decimal text that reads back to the same float; a coordinate that is not finite
// is written as null. The key is inserted verbatim (no escaping, no percent-encoding): the server
// expects it so.
std::string writePlayRequest(std::string_view playerKey, std::span<const base::GeoPoint> points);

// A body read as a play request, or the one-line reason why it is not one.
struct PlayRequestReading {
    std::optional<PlayRequest> request;
    std::string problem; // empty when `request` is set
};

// The server's side: reads exactly the body the client writes. The key stands verbatim between the
// quotes (the client does not escape it, so it cannot hold a double quote): 1 to 256 bytes, taken
// as they are. The points are a JSON array (read by our codec; blanks allowed, commas required) of
// pairs of finite numbers: latitude −90 to 90, longitude −180 to 180, at most 10 000 of them; an
// empty list is allowed. Bodies over 1 MiB are refused unread.
PlayRequestReading readPlayRequest(std::string_view body);

} // namespace protocol
