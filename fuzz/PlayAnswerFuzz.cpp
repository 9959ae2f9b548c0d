// The game server's answer, as the client reads it, on arbitrary bytes.
#include "JsonLog.h"
#include "PlayAnswer.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = [] {
        json::setLogSink([](std::string_view) {});
        return true;
    }();
    (void)quiet;

    const game::PlayAnswer answer
        = game::readPlayAnswer(std::string_view(reinterpret_cast<const char*>(data), size));
    if (answer.objects) {
        for (const game::GameObject& object : *answer.objects) {
            if (!std::isfinite(object.latitude) || !std::isfinite(object.longitude))
                std::abort();
        }
    }
    return 0;
}
