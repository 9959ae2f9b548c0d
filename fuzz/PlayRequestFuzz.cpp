// The game server's reading of a play request body, on arbitrary bytes.
#include "PlayRequestReader.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const server::PlayRequestReading reading
        = server::readPlayRequest(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!reading.request) {
        if (reading.problem.empty() || reading.problem.find('\n') != std::string::npos)
            std::abort();
        return 0;
    }
    const server::PlayRequest& request = *reading.request;
    if (request.key.empty() || request.key.size() > server::kMaxPlayerKeyBytes
        || request.key.find('"') != std::string::npos || request.points.size() > server::kMaxPointsPerRequest)
        std::abort();
    for (const server::GeoPoint& point : request.points) {
        if (!(std::abs(point.latitude) <= 90) || !(std::abs(point.longitude) <= 180))
            std::abort();
    }
    return 0;
}
