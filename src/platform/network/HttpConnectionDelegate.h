#pragma once

#include "Data.h"
#include "HttpResponse.h"

#include <string>

namespace platform {

class HttpConnection;

// Receives the progress of an HttpConnection, on the main thread's loop and
// never from inside HttpConnection's own calls. Order: one response, any
// number of data chunks, then for a complete successful (2xx) answer one
// cache question, then finish; or a failure, possibly after a response and
// some data. Nothing arrives after the connection was cancelled or
// destroyed. Any callback may destroy the connection, or the delegate
// together with the connection it owns.
class HttpConnectionDelegate {
public:
    virtual ~HttpConnectionDelegate() = default;

    virtual void connectionDidReceiveResponse(HttpConnection& connection, const HttpResponse& response) = 0;
    virtual void connectionDidReceiveData(HttpConnection& connection, const Data& data) = 0;
    // Whether the finished response may enter the shared response cache.
    virtual bool connectionWillCacheResponse(HttpConnection& connection, const HttpResponse& response) = 0;
    // `description` is a readable sentence ("Connection refused").
    virtual void connectionDidFailWithError(HttpConnection& connection, const std::string& description) = 0;
    virtual void connectionDidFinishLoading(HttpConnection& connection) = 0;
};

} // namespace platform
