#pragma once

#include <httplib.h>

namespace server {

// The routes of one kind of connection (httplib's request parsing, routing and answer writing),
// driven by an HttpListener on the connections it accepts and times itself. Register the routes and
// handlers as on any httplib::Server before the listener starts; never call listen().
class HttpRoutes : public httplib::Server {
public:
    // Reads one request from `stream`, routes it and writes the answer; false when no answer could be
    // written (the peer closed, the stream broke). `lastRequest` answers with "Connection: close";
    // `peerClosing` becomes true when the request asked to close.
    bool answerOneRequest(httplib::Stream& stream, bool lastRequest, bool& peerClosing)
    {
        return process_request(stream, lastRequest, peerClosing, nullptr);
    }
};

} // namespace server
