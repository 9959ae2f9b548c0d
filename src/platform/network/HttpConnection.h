#pragma once

#include "Data.h"
#include "HostRequestQueue.h"
#include "HttpConnectionDelegate.h"
#include "HttpRequest.h"
#include "HttpResponse.h"
#include "Timer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QNetworkReply;
class QObject;

namespace platform {

// One HTTP request on the shared network access, reporting to a delegate
// (not owned; it must outlive the connection or destroy it first).
// Redirects are followed (never from https to http, at most 10). A started
// request waits for a free place among the requests to its host
// (NetworkAccess::requests(), two per host unless the host speaks HTTP/2)
// and is then sent. Once sent it fails after HttpRequest::timeoutInterval
// seconds without progress, after HttpRequest::timeLimit seconds in all,
// and as soon as its body (announced or received) passes
// HttpRequest::maximumContentLength; times run on the platform Clock. Qt
// buffers little of a body the delegate has not taken yet, so a huge body
// costs no memory before it is refused. Error statuses (4xx, 5xx) and 304
// are answers, not failures: their bodies arrive as data with the status
// in the response. Requests never carry "no-cache". Main thread only.
class HttpConnection {
public:
    // What made a request fail.
    enum class Failure {
        Network, // no connection, a dropped one, nothing for timeoutInterval
        Certificate, // the server's certificate is not trusted
        AnswerTooLarge, // beyond maximumContentLength
        AnswerTooSlow, // beyond timeLimit
    };

    // A connection for the request, started at once or waiting for start();
    // null when the URL is not a valid absolute http or https URL.
    static std::unique_ptr<HttpConnection> create(
        const HttpRequest& request, HttpConnectionDelegate& delegate, bool startImmediately = true);
    static std::unique_ptr<HttpConnection> create(
        std::string_view url, HttpConnectionDelegate& delegate, bool startImmediately = true);

    // Cancels the request.
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    // Queues the request for sending; does nothing once started or
    // cancelled.
    void start();
    // Stops the request (or takes it out of the queue); the delegate hears
    // nothing more.
    void cancel();

    bool isStarted() const { return started_; }
    const HttpRequest& request() const { return request_; }
    // The status of the answer; 0 until the response arrived.
    int statusCode() const { return response_.statusCode; }
    // Why the request failed; meaningful once the delegate heard of a failure.
    Failure failure() const { return failure_; }

    // "Vantry/<version> (+https://vantry.app)", sent with every request.
    static std::string userAgent();

private:
    HttpConnection(const HttpRequest& request, HttpConnectionDelegate& delegate);
    void send();
    void metaDataChanged();
    bool deliverResponse();
    bool deliverData(const Data& data);
    void readAvailable();
    void finish();
    void fail(Failure failure, const std::string& description);
    void noteProgress();
    void checkProgress();
    void releaseReply();
    void leaveQueue();

    HttpRequest request_;
    HttpConnectionDelegate* delegate_;
    // "scheme://host:port": whose requests share the host's places.
    std::string host_;
    std::optional<HostRequestQueue::Ticket> ticket_;
    QNetworkReply* reply_ = nullptr;
    // Receives the reply's signals; deleting it cuts them off, queued or not.
    std::unique_ptr<QObject> receiver_;
    // False once destroyed, so a callback that destroyed the connection
    // stops the code that called it.
    std::shared_ptr<bool> alive_;
    HttpResponse response_;
    bool started_ = false;
    bool cancelled_ = false;
    bool responseDelivered_ = false;
    bool replyFinished_ = false;
    std::int64_t received_ = 0;
    Failure failure_ = Failure::Network;
    double lastProgress_ = 0;
    Timer progressTimer_;
    Timer limitTimer_;
    // The body of a response that may go into the response cache.
    std::vector<Data> cacheableBody_;
};

} // namespace platform
