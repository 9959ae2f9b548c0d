#pragma once

class QNetworkAccessManager;

namespace platform {

class HostRequestQueue;

// The one Qt network access manager of the program, and the queue that
// keeps the requests running at once to each host within a limit
// (kDefaultConnectionsPerHost unless set). Only the platform's network
// classes use them.
class NetworkAccess {
public:
    // Public tile servers ask for no more than two connections per client.
    static constexpr int kDefaultConnectionsPerHost = 2;

    static QNetworkAccessManager& manager();
    static HostRequestQueue& requests();
};

} // namespace platform
