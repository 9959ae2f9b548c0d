#include "HttpConnection.h"

#include "Clock.h"
#include "NetworkAccess.h"
#include "ResponseCache.h"
#include "TrustedCertificates.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <fmt/format.h>

#include <algorithm>

namespace platform {

namespace {

constexpr int kMaximumRedirects = 10;
// What Qt may hold of a body the delegate has not taken yet; Qt stops
// reading from the server while it is full.
constexpr qint64 kReadBufferBytes = 256 * 1024;

Data dataOf(QByteArray bytes)
{
    auto owner = std::make_shared<const QByteArray>(std::move(bytes));
    const auto* first = reinterpret_cast<const std::uint8_t*>(owner->constData());
    return Data(owner, std::span(first, static_cast<std::size_t>(owner->size())));
}

QUrl validUrl(std::string_view text)
{
    const QUrl url(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), QUrl::StrictMode);
    const bool web = url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
    return url.isValid() && web && !url.host().isEmpty() ? url : QUrl();
}

std::string hostOf(const QUrl& url)
{
    const int port = url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
    return (url.scheme() + QLatin1String("://") + url.host() + QLatin1Char(':') + QString::number(port))
        .toStdString();
}

// Whether the server answered. Qt reports error statuses (4xx, 5xx) as
// errors too, but their pages arrived and are delivered as data; an error of
// the network layer (below 100) means the answer was cut short.
bool isAnswer(const QNetworkReply& reply)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return false;
    const QNetworkReply::NetworkError error = reply.error();
    return error == QNetworkReply::NoError || (status.toInt() >= 400 && error >= 100);
}

bool isRedirectStatus(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string mimeTypeOf(const QNetworkReply& reply)
{
    const QString type = reply.header(QNetworkRequest::ContentTypeHeader).toString();
    return type.section(QLatin1Char(';'), 0, 0).trimmed().toLower().toStdString();
}

std::string tooLarge(std::int64_t limit)
{
    return "The answer is larger than " + std::to_string(limit) + " bytes.";
}

double now()
{
    return Clock::current().now();
}

} // namespace

std::string HttpConnection::userAgent()
{
    return "Vantry/" VANTRY_VERSION " (+https://vantry.app)";
}

std::unique_ptr<HttpConnection> HttpConnection::create(
    const HttpRequest& request, HttpConnectionDelegate& delegate, bool startImmediately)
{
    if (validUrl(request.url).isEmpty() || request.method.empty())
        return nullptr;
    std::unique_ptr<HttpConnection> connection(new HttpConnection(request, delegate));
    if (startImmediately)
        connection->start();
    return connection;
}

std::unique_ptr<HttpConnection> HttpConnection::create(
    std::string_view url, HttpConnectionDelegate& delegate, bool startImmediately)
{
    HttpRequest request;
    request.url = std::string(url);
    return create(request, delegate, startImmediately);
}

HttpConnection::HttpConnection(const HttpRequest& request, HttpConnectionDelegate& delegate)
    : request_(request)
    , delegate_(&delegate)
    , host_(hostOf(validUrl(request.url)))
    , alive_(std::make_shared<bool>(true))
{ }

HttpConnection::~HttpConnection()
{
    *alive_ = false;
    cancel();
}

void HttpConnection::start()
{
    if (started_ || cancelled_)
        return;
    started_ = true;
    ticket_ = NetworkAccess::requests().enqueue(host_, [this] { send(); });
}

void HttpConnection::send()
{
    QNetworkRequest request(validUrl(request_.url));
    for (const auto& [name, value] : request_.headers)
        request.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
    request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromStdString(userAgent()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaximumRedirects);
    TrustedCertificates::applyTo(request, request.url().host().toStdString());

    QNetworkAccessManager& manager = NetworkAccess::manager();
    const QByteArray method = QByteArray::fromStdString(request_.method);
    if (method == "GET" && request_.body.empty()) {
        reply_ = manager.get(request);
    } else {
        const Data& body = request_.body;
        reply_ = manager.sendCustomRequest(request, method,
            QByteArray(reinterpret_cast<const char*>(body.data()), static_cast<qsizetype>(body.size())));
    }
    reply_->setReadBufferSize(kReadBufferBytes);
    receiver_ = std::make_unique<QObject>();
    QObject::connect(reply_, &QNetworkReply::metaDataChanged, receiver_.get(), [this] { metaDataChanged(); });
    QObject::connect(reply_, &QNetworkReply::readyRead, receiver_.get(), [this] { readAvailable(); });
    QObject::connect(reply_, &QNetworkReply::finished, receiver_.get(), [this] { finish(); });
    QObject::connect(reply_, &QNetworkReply::uploadProgress, receiver_.get(), [this] { noteProgress(); });

    // Timers on the Clock rather than Qt's transfer time-out: tests move
    // them, and Qt reports the error of an aborted reply with a transfer
    // time-out a second time.
    noteProgress();
    const double timeout = std::clamp(request_.timeoutInterval, 0.001, 86400.0);
    progressTimer_ = Timer::scheduledTimer(timeout, false, [this] { checkProgress(); });
    if (request_.timeLimit > 0) {
        limitTimer_ = Timer::scheduledTimer(request_.timeLimit, false, [this] {
            fail(Failure::AnswerTooSlow,
                fmt::format("The answer took longer than {:g} seconds.", request_.timeLimit));
        });
    }
}

void HttpConnection::cancel()
{
    cancelled_ = true;
    cacheableBody_.clear();
    releaseReply();
    leaveQueue();
}

void HttpConnection::releaseReply()
{
    progressTimer_.invalidate();
    limitTimer_.invalidate();
    if (!reply_)
        return;
    QNetworkReply* reply = std::exchange(reply_, nullptr);
    // Cut the signals first: abort() emits them at once.
    reply->disconnect(receiver_.get());
    receiver_.reset();
    // A reply that finished or failed has nothing to abort: aborting it (Qt
    // calls it running until its finished signal is over) reports its error
    // a second time ("this method must only be called once").
    if (!replyFinished_ && reply->isRunning() && reply->error() == QNetworkReply::NoError)
        reply->abort();
    reply->deleteLater();
}

void HttpConnection::leaveQueue()
{
    if (const std::optional<HostRequestQueue::Ticket> ticket = std::exchange(ticket_, std::nullopt))
        NetworkAccess::requests().finished(*ticket);
}

void HttpConnection::noteProgress()
{
    lastProgress_ = now();
}

void HttpConnection::checkProgress()
{
    const double timeout = std::clamp(request_.timeoutInterval, 0.001, 86400.0);
    const double idle = now() - lastProgress_;
    if (idle >= timeout) {
        fail(Failure::Network, "The request timed out.");
        return;
    }
    progressTimer_ = Timer::scheduledTimer(timeout - idle, false, [this] { checkProgress(); });
}

void HttpConnection::metaDataChanged()
{
    noteProgress();
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || isRedirectStatus(status.toInt()))
        return;
    if (reply_->attribute(QNetworkRequest::Http2WasUsedAttribute).toBool())
        NetworkAccess::requests().setMultiplexing(host_);
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    if (request_.maximumContentLength > 0 && length.isValid()
        && length.toLongLong() > request_.maximumContentLength) {
        fail(Failure::AnswerTooLarge, tooLarge(request_.maximumContentLength));
        return;
    }
    deliverResponse();
}

bool HttpConnection::deliverResponse()
{
    if (responseDelivered_)
        return true;
    responseDelivered_ = true;
    response_.url = reply_->url().toString().toStdString();
    response_.statusCode = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    response_.expectedContentLength = length.isValid() ? length.toLongLong() : -1;
    response_.mimeType = mimeTypeOf(*reply_);
    for (const auto& [name, value] : reply_->rawHeaderPairs())
        response_.headers.emplace_back(name.toStdString(), value.toStdString());
    const std::shared_ptr<bool> alive = alive_;
    delegate_->connectionDidReceiveResponse(*this, response_);
    return *alive && reply_;
}

bool HttpConnection::deliverData(const Data& data)
{
    if (data.empty())
        return true;
    received_ += static_cast<std::int64_t>(data.size());
    if (request_.maximumContentLength > 0 && received_ > request_.maximumContentLength) {
        fail(Failure::AnswerTooLarge, tooLarge(request_.maximumContentLength));
        return false;
    }
    if (request_.method == "GET" && response_.isSuccess())
        cacheableBody_.push_back(data);
    const std::shared_ptr<bool> alive = alive_;
    delegate_->connectionDidReceiveData(*this, data);
    return *alive && reply_;
}

void HttpConnection::readAvailable()
{
    noteProgress();
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && isRedirectStatus(status.toInt())
        && reply_->attribute(QNetworkRequest::RedirectionTargetAttribute).isValid())
        return; // the body of a redirect that is being followed
    if (!deliverResponse())
        return;
    deliverData(dataOf(reply_->readAll()));
}

void HttpConnection::finish()
{
    replyFinished_ = true;
    const std::shared_ptr<bool> alive = alive_;
    if (!isAnswer(*reply_)) {
        fail(reply_->error() == QNetworkReply::SslHandshakeFailedError ? Failure::Certificate
                                                                       : Failure::Network,
            reply_->errorString().toStdString());
        return;
    }
    if (!deliverResponse() || !deliverData(dataOf(reply_->readAll())))
        return;
    leaveQueue();
    if (reply_->error() == QNetworkReply::NoError && response_.isSuccess() && request_.method == "GET") {
        const bool store = delegate_->connectionWillCacheResponse(*this, response_);
        if (!*alive || !reply_)
            return;
        if (store)
            ResponseCache::shared().storeResponse(
                request_.url, response_.statusCode, response_.headers, cacheableBody_);
    }
    cacheableBody_.clear();
    releaseReply();
    delegate_->connectionDidFinishLoading(*this);
}

void HttpConnection::fail(Failure failure, const std::string& description)
{
    failure_ = failure;
    cacheableBody_.clear();
    releaseReply();
    leaveQueue();
    delegate_->connectionDidFailWithError(*this, description);
}

} // namespace platform
