#pragma once

class QNetworkAccessManager;

namespace platform {

// The one Qt network access manager of the program, with the shared
// response cache attached. Only the platform's network classes use it.
class NetworkAccess {
public:
    static QNetworkAccessManager& manager();
};

} // namespace platform
