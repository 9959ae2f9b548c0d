#include "HttpConnection.h"

#include "NetworkAccess.h"
#include "ResponseCache.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr int kMaximumRedirects = 10;

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

    QNetworkRequest request(validUrl(request_.url));
    for (const auto& [name, value] : request_.headers)
        request.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
    request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromStdString(userAgent()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaximumRedirects);
    const double timeout = std::clamp(request_.timeoutInterval, 0.001, 86400.0);
    request.setTransferTimeout(static_cast<int>(std::ceil(timeout * 1000)));
    // The delegate decides what enters the cache, once the answer is complete.
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    QNetworkAccessManager& manager = NetworkAccess::manager();
    const QByteArray method = QByteArray::fromStdString(request_.method);
    if (method == "GET" && request_.body.empty()) {
        reply_ = manager.get(request);
    } else {
        const Data& body = request_.body;
        reply_ = manager.sendCustomRequest(request, method,
            QByteArray(reinterpret_cast<const char*>(body.data()), static_cast<qsizetype>(body.size())));
    }
    receiver_ = std::make_unique<QObject>();
    QObject::connect(reply_, &QNetworkReply::metaDataChanged, receiver_.get(), [this] {
        const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && !isRedirectStatus(status.toInt()))
            deliverResponse();
    });
    QObject::connect(reply_, &QNetworkReply::readyRead, receiver_.get(), [this] { readAvailable(); });
    QObject::connect(reply_, &QNetworkReply::finished, receiver_.get(), [this] { finish(); });
}

void HttpConnection::cancel()
{
    cancelled_ = true;
    cacheableBody_.clear();
    releaseReply();
}

void HttpConnection::releaseReply()
{
    if (!reply_)
        return;
    QNetworkReply* reply = std::exchange(reply_, nullptr);
    // Cut the signals first: abort() emits them at once.
    reply->disconnect(receiver_.get());
    receiver_.reset();
    // A reply that finished (or failed) has nothing to abort; aborting it
    // would report its error a second time.
    if (reply->isRunning() && !reply->isFinished())
        reply->abort();
    reply->deleteLater();
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
    const std::shared_ptr<bool> alive = alive_;
    delegate_->connectionDidReceiveResponse(*this, response_);
    return *alive && reply_;
}

bool HttpConnection::deliverData(const Data& data)
{
    if (data.empty())
        return true;
    if (request_.method == "GET" && response_.isSuccess())
        cacheableBody_.push_back(data);
    const std::shared_ptr<bool> alive = alive_;
    delegate_->connectionDidReceiveData(*this, data);
    return *alive && reply_;
}

void HttpConnection::readAvailable()
{
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
    const QNetworkReply::NetworkError error = reply_->error();
    const std::shared_ptr<bool> alive = alive_;

    if (!isAnswer(*reply_)) {
        // Transfer time-outs surface as cancellation; a cancellation of our
        // own never reaches this point.
        const std::string description = error == QNetworkReply::OperationCanceledError
            ? std::string("The request timed out.")
            : reply_->errorString().toStdString();
        releaseReply();
        cacheableBody_.clear();
        delegate_->connectionDidFailWithError(*this, description);
        return;
    }

    if (!deliverResponse() || !deliverData(dataOf(reply_->readAll())))
        return;
    const bool fromCache = reply_->attribute(QNetworkRequest::SourceIsFromCacheAttribute).toBool();
    if (error == QNetworkReply::NoError && response_.isSuccess() && request_.method == "GET" && !fromCache) {
        const bool store = delegate_->connectionWillCacheResponse(*this, response_);
        if (!*alive || !reply_)
            return;
        if (store) {
            std::vector<std::pair<std::string, std::string>> headers;
            for (const auto& [name, value] : reply_->rawHeaderPairs())
                headers.emplace_back(name.toStdString(), value.toStdString());
            ResponseCache::shared().storeResponse(
                request_.url, response_.statusCode, headers, cacheableBody_);
        }
    }
    cacheableBody_.clear();
    releaseReply();
    delegate_->connectionDidFinishLoading(*this);
}

} // namespace platform
