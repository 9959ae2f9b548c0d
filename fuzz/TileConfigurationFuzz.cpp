// Arbitrary bytes as the tile caches' configuration "routeme.plist": parsed as
// a property list (XML or binary) and built into a cache chain. Whatever the
// list holds, building must neither crash nor reserve absurd memory, and
// every cache made must respect its limits. Database caches are asked for
// their file through a source that has no cache key, so no file is written:
// their settings are read and checked all the same.
#include "Log.h"
#include "PropertyList.h"
#include "RMAbstractMercatorWebSource.h"
#include "RMConfiguration.h"
#include "RMMemoryCache.h"
#include "RMTileCache.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = [] {
        base::setLogSink([](std::string_view) {});
        return true;
    }();
    static const RMAbstractMercatorWebSource source;
    (void)quiet;

    const RMConfiguration configuration(
        platform::PropertyList::fromData(platform::Data(std::span(data, size))));
    const RMTileCache chain(source, configuration);
    for (const std::shared_ptr<RMTileCacheProtocol>& cache : chain.caches()) {
        const auto* memory = dynamic_cast<const RMMemoryCache*>(cache.get());
        if (!memory || memory->capacity() == 0)
            std::abort();
    }
    return 0;
}
