#pragma once

#include "Data.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QNetworkDiskCache;

namespace platform {

// The shared, persistent cache of HTTP responses, keyed by URL, on disk in
// the user's caches folder (Directories::caches()/http). HttpConnection
// stores complete 2xx answers that its delegate lets in; callers such as the
// tile images ask it before downloading. Main thread only.
class ResponseCache {
public:
    static ResponseCache& shared();

    // The stored body for the URL, or empty when there is none. Stored
    // entries are returned even when stale: a map would rather show an old
    // tile than none.
    Data cachedData(std::string_view url) const;

    // Stores a body under the URL with the response's header fields, which
    // set its freshness (Cache-Control max-age, Expires, Last-Modified).
    // Nothing is stored for a "no-store" response or a status outside 2xx.
    // Returns whether the entry was written.
    bool storeResponse(std::string_view url, int statusCode,
        const std::vector<std::pair<std::string, std::string>>& headers, const std::vector<Data>& body);
    void removeResponse(std::string_view url);
    void removeAllResponses();

    // Moves the cache to another folder (tests use scratch folders); the
    // entries of the old folder stay there.
    void setDirectory(const std::string& path);
    std::string directory() const;
    void setMaximumSize(std::int64_t bytes);
    std::int64_t maximumSize() const;

private:
    friend class NetworkAccess;
    ResponseCache();
    ~ResponseCache();
    ResponseCache(const ResponseCache&) = delete;
    ResponseCache& operator=(const ResponseCache&) = delete;

    // Owned by the network access manager once attached to it.
    QNetworkDiskCache* cache_;
};

} // namespace platform
