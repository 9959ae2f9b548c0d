#pragma once

#include "GeoPoint.h"

#include <string>
#include <vector>

namespace server {

// One game object as the client shows it: a marker named `id` with the picture "/img/<imageName>.png"
// standing on `where`.
struct ShownObject {
    std::string id;
    GeoPoint where;
    std::string imageName;
    friend bool operator==(const ShownObject&, const ShownObject&) = default;
};

// The answer to a play request.
struct PlayAnswer {
    std::vector<ShownObject> objects; // "O"
    int score = 0; // "S"
    int total = 0; // "T"
    int level = 0; // "L"
    int saved = 0; // "P"
    double temperature = 0; // "t", percent
    friend bool operator==(const PlayAnswer&, const PlayAnswer&) = default;
};

// The answer as the client reads it: {"O":[[id,lat,lon,image],…],"S":…,"T":…,"L":…,"P":…,"t":…},
// compact, coordinates to 7 decimals (about 1 cm), the temperature to 2.
std::string writePlayAnswer(const PlayAnswer& answer);

} // namespace server
