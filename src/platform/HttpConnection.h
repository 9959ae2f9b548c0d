#pragma once

#include "Data.h"
#include "HttpConnectionDelegate.h"
#include "HttpRequest.h"
#include "HttpResponse.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QNetworkReply;
class QObject;

namespace platform {

// One HTTP request on the shared network access, reporting to a delegate
// (not owned; it must outlive the connection or destroy it first).
// Redirects are followed (never from https to http, at most 10); a request
// fails after HttpRequest::timeoutInterval seconds without progress. Error
// statuses (4xx, 5xx) are answers, not failures: their bodies arrive as
// data with the status in the response. Main thread only.
class HttpConnection {
public:
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

    // Sends the request; does nothing once started or cancelled.
    void start();
    // Stops the request; the delegate hears nothing more.
    void cancel();

    bool isStarted() const { return started_; }
    const HttpRequest& request() const { return request_; }
    // The status of the answer; 0 until the response arrived.
    int statusCode() const { return response_.statusCode; }

    // "Vantry/<version> (+https://vantry.app)", sent with every request.
    static std::string userAgent();

private:
    HttpConnection(const HttpRequest& request, HttpConnectionDelegate& delegate);
    bool deliverResponse();
    bool deliverData(const Data& data);
    void readAvailable();
    void finish();
    void releaseReply();

    HttpRequest request_;
    HttpConnectionDelegate* delegate_;
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
    // The body of a response that may go into the response cache.
    std::vector<Data> cacheableBody_;
};

} // namespace platform
