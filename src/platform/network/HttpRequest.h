#pragma once

#include "Data.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// What an HttpConnection sends.
struct HttpRequest {
    // An absolute http or https URL.
    std::string url;
    std::string method = "GET";
    // Extra header fields, sent as given (the User-Agent is always ours).
    std::vector<std::pair<std::string, std::string>> headers;
    Data body;
    // Seconds without any data transferred after which the request fails.
    double timeoutInterval = 30;
    // Seconds from sending to the end of the answer after which the request
    // fails however steadily data arrives; 0: no limit.
    double timeLimit = 0;
    // The largest body accepted, in bytes; a longer one (announced or
    // received) fails the request at once. 0: no limit.
    std::int64_t maximumContentLength = 0;
};

} // namespace platform
