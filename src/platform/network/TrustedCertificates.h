#pragma once

#include <string>

namespace platform {

// Certificate authorities that HTTPS connections trust besides the
// system's: a private server's own authority. Verification is never
// switched off.
class TrustedCertificates {
public:
    // Adds the authorities in the PEM file; false (and a log line saying
    // why) when the file holds none or cannot be read.
    static bool addAuthoritiesFromFile(const std::string& path);
};

} // namespace platform
