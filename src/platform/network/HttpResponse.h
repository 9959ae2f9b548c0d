#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// What an HttpConnection learned of the response before its body.
struct HttpResponse {
    // The URL that answered, after redirects.
    std::string url;
    // The HTTP status; 400 and above are error pages, delivered as data all
    // the same, so callers must check before storing the body.
    int statusCode = 0;
    // The announced length of the body in bytes, or -1 when not announced.
    std::int64_t expectedContentLength = -1;
    // The media type without parameters ("image/png"), or empty.
    std::string mimeType;
    // The header fields as received.
    std::vector<std::pair<std::string, std::string>> headers;

    bool isSuccess() const { return statusCode >= 200 && statusCode < 300; }
    // The value of the first field of that name (any letter case), or empty.
    std::string headerValue(std::string_view name) const;
};

} // namespace platform
