#pragma once

#include "Data.h"
#include "HttpFreshness.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QNetworkDiskCache;

namespace platform {

// The shared, persistent cache of HTTP responses, keyed by URL, on disk in
// the user's caches folder (Directories::caches()/http). HttpConnection
// stores complete 2xx answers that its delegate lets in; callers such as the
// tile images ask it before downloading, and revalidate stale entries
// themselves. Main thread only.
class ResponseCache {
public:
    struct Entry {
        Data body;
        HttpFreshness freshness;
    };

    static ResponseCache& shared();

    // The stored body for the URL, or empty when there is none.
    Data cachedData(std::string_view url) const;
    // The stored body with its freshness, or none. Stored entries are
    // returned even when stale: a map would rather show an old tile at once
    // while it asks whether a new one exists.
    std::optional<Entry> cachedResponse(std::string_view url) const;

    // Stores a body under the URL with the response's header fields, which
    // set its freshness (HttpFreshness::fromHeaders at the Clock's now).
    // Nothing is stored for a "no-store" response or a status outside 2xx.
    // Returns whether the entry was written.
    bool storeResponse(
        std::string_view url, int statusCode, const HttpHeaders& headers, const std::vector<Data>& body);
    // Gives a stored entry new freshness (after a 304); nothing when the URL
    // has no entry.
    void refreshResponse(std::string_view url, const HttpFreshness& freshness);
    void removeResponse(std::string_view url);
    void removeAllResponses();

    // Moves the cache to another folder (tests use scratch folders); the
    // entries of the old folder stay there.
    void setDirectory(const std::string& path);
    std::string directory() const;
    void setMaximumSize(std::int64_t bytes);
    std::int64_t maximumSize() const;

private:
    ResponseCache();
    ~ResponseCache();
    ResponseCache(const ResponseCache&) = delete;
    ResponseCache& operator=(const ResponseCache&) = delete;

    // Used as a store only, never attached to the network access manager.
    QNetworkDiskCache* cache_;
};

} // namespace platform
