#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

// How long a stored HTTP answer may be used without asking its server, and
// how to ask the server whether it changed (a conditional request, answered
// 304 Not Modified when it did not). Times are seconds since 1970 on the
// platform Clock.
struct HttpFreshness {
    // The lifetime of an answer that names none (a week, as map tiles go).
    static constexpr double kDefaultLifetime = 7 * 24 * 3600;

    // When the answer must be revalidated; 0 (unknown) counts as expired.
    double expires = 0;
    // The answer's ETag and Last-Modified fields as sent; empty when absent.
    std::string etag;
    std::string lastModified;

    // The freshness of an answer received at `now`: Cache-Control max-age,
    // else Expires (a date that does not parse has expired), else the
    // default lifetime; "no-cache" expires at once.
    static HttpFreshness fromHeaders(
        const HttpHeaders& headers, double now, double defaultLifetime = kDefaultLifetime);

    bool isStale(double now) const { return !(expires > now); }
    // If-None-Match and If-Modified-Since for the validators held.
    HttpHeaders conditionalHeaders() const;
    // After a 304 received at `now`: the new lifetime, and validators the
    // answer names in place of the old ones.
    HttpFreshness refreshedBy(const HttpHeaders& headers, double now) const;

    friend bool operator==(const HttpFreshness&, const HttpFreshness&) = default;
};

} // namespace platform
