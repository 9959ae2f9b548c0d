// The game server's answer, as the client reads it, on arbitrary bytes.
#include "Log.h"
#include "PlayAnswer.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = [] {
        base::setLogSink([](std::string_view) {});
        return true;
    }();
    (void)quiet;

    const protocol::PlayAnswer answer
        = protocol::readPlayAnswer(std::string_view(reinterpret_cast<const char*>(data), size));
    if (answer.objects) {
        for (const protocol::GameObject& object : *answer.objects) {
            if (!std::isfinite(object.where.latitude) || !std::isfinite(object.where.longitude))
                std::abort();
        }
    }
    return 0;
}
