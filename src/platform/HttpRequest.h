#pragma once

#include "Data.h"

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
};

} // namespace platform
