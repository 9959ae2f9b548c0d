// The game server's reading of a play request body, on arbitrary bytes.
#include "PlayRequest.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const protocol::PlayRequestReading reading
        = protocol::readPlayRequest(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!reading.request) {
        if (reading.problem.empty() || reading.problem.find('\n') != std::string::npos)
            std::abort();
        return 0;
    }
    const protocol::PlayRequest& request = *reading.request;
    if (request.key.empty() || request.key.size() > protocol::kMaxPlayerKeyBytes
        || request.key.find('"') != std::string::npos
        || request.points.size() > protocol::kMaxPointsPerRequest)
        std::abort();
    for (const base::GeoPoint& point : request.points) {
        if (!(std::abs(point.latitude) <= 90) || !(std::abs(point.longitude) <= 180))
            std::abort();
    }
    return 0;
}
