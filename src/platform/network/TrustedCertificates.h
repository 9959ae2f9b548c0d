#pragma once

#include <string>

class QNetworkRequest;

namespace platform {

// Certificate authorities that HTTPS connections to one host trust besides
// the system's: a private server's own authority, trusted for that server
// alone (never, say, for a tile server). Verification is never switched off.
class TrustedCertificates {
public:
    // Adds the authorities in the PEM file for connections to `host` (a
    // name or address, as in URLs); false (and a log line saying why) when
    // the file holds none or cannot be read.
    static bool addAuthoritiesFromFile(const std::string& path, const std::string& host);

    // Lets `request`, to `host`, trust the authorities added for that host.
    static void applyTo(QNetworkRequest& request, const std::string& host);
};

} // namespace platform
