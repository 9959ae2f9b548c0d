#include "ResponseCache.h"

#include "Clock.h"
#include "Directories.h"

#include <QDateTime>
#include <QIODevice>
#include <QNetworkCacheMetaData>
#include <QNetworkDiskCache>
#include <QNetworkRequest>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>

namespace platform {

namespace {

QUrl keyOf(std::string_view url)
{
    return QUrl(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())));
}

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::ranges::transform(result, result.begin(), [](unsigned char c) { return std::tolower(c); });
    return result;
}

// Fields that describe the connection or the transfer encoding of this one
// answer, not the stored body.
bool isStoredField(const std::string& name)
{
    static const char* const transient[] = { "connection", "keep-alive", "proxy-connection", "te", "trailer",
        "transfer-encoding", "upgrade", "set-cookie", "content-encoding", "content-length" };
    return std::ranges::none_of(transient, [&](const char* field) { return name == field; });
}

QByteArray latin1(const std::string& text)
{
    return QByteArray::fromStdString(text);
}

QDateTime dateOf(double secondsSince1970)
{
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(secondsSince1970 * 1000), Qt::UTC);
}

} // namespace

ResponseCache& ResponseCache::shared()
{
    // Never destroyed: the program may store responses until it ends.
    static ResponseCache* cache = new ResponseCache;
    return *cache;
}

ResponseCache::ResponseCache()
    : cache_(new QNetworkDiskCache)
{
    cache_->setCacheDirectory(QString::fromStdString(Directories::caches() + "/http"));
}

ResponseCache::~ResponseCache() = default;

Data ResponseCache::cachedData(std::string_view url) const
{
    std::unique_ptr<QIODevice> device(cache_->data(keyOf(url)));
    if (!device)
        return {};
    auto bytes = std::make_shared<const QByteArray>(device->readAll());
    const auto* first = reinterpret_cast<const std::uint8_t*>(bytes->constData());
    return Data(bytes, std::span(first, static_cast<std::size_t>(bytes->size())));
}

bool ResponseCache::storeResponse(std::string_view url, int statusCode,
    const std::vector<std::pair<std::string, std::string>>& headers, const std::vector<Data>& body)
{
    if (statusCode < 200 || statusCode >= 300)
        return false;
    QNetworkCacheMetaData meta;
    meta.setUrl(keyOf(url));
    QNetworkCacheMetaData::RawHeaderList stored;
    for (const auto& [name, value] : headers) {
        const std::string field = lowered(name);
        if (field == "cache-control" && lowered(value).find("no-store") != std::string::npos)
            return false;
        if (isStoredField(field))
            stored.append({ latin1(name), latin1(value) });
    }
    meta.setRawHeaders(stored);
    meta.setExpirationDate(dateOf(HttpFreshness::fromHeaders(headers, Clock::current().now()).expires));
    meta.setAttributes({ { QNetworkRequest::HttpStatusCodeAttribute, statusCode } });
    meta.setSaveToDisk(true);

    QIODevice* device = cache_->prepare(meta);
    if (!device)
        return false;
    for (const Data& chunk : body) {
        if (device->write(reinterpret_cast<const char*>(chunk.data()), static_cast<qint64>(chunk.size()))
            != static_cast<qint64>(chunk.size())) {
            cache_->remove(meta.url());
            return false;
        }
    }
    cache_->insert(device);
    return true;
}

std::optional<ResponseCache::Entry> ResponseCache::cachedResponse(std::string_view url) const
{
    const QNetworkCacheMetaData meta = cache_->metaData(keyOf(url));
    if (!meta.isValid())
        return std::nullopt;
    Data body = cachedData(url);
    if (body.empty())
        return std::nullopt;
    HttpHeaders headers;
    for (const auto& [name, value] : meta.rawHeaders())
        headers.emplace_back(name.toStdString(), value.toStdString());
    HttpFreshness freshness = HttpFreshness::fromHeaders(headers, 0);
    const QDateTime expires = meta.expirationDate();
    freshness.expires = expires.isValid() ? static_cast<double>(expires.toMSecsSinceEpoch()) / 1000 : 0;
    return Entry { std::move(body), std::move(freshness) };
}

void ResponseCache::refreshResponse(std::string_view url, const HttpFreshness& freshness)
{
    QNetworkCacheMetaData meta = cache_->metaData(keyOf(url));
    if (!meta.isValid())
        return;
    meta.setExpirationDate(dateOf(freshness.expires));
    QNetworkCacheMetaData::RawHeaderList headers;
    for (const auto& header : meta.rawHeaders()) {
        const QByteArray field = header.first.toLower();
        if (field != "etag" && field != "last-modified")
            headers.append(header);
    }
    if (!freshness.etag.empty())
        headers.append({ "ETag", latin1(freshness.etag) });
    if (!freshness.lastModified.empty())
        headers.append({ "Last-Modified", latin1(freshness.lastModified) });
    meta.setRawHeaders(headers);
    cache_->updateMetaData(meta);
}

void ResponseCache::removeResponse(std::string_view url)
{
    cache_->remove(keyOf(url));
}

void ResponseCache::removeAllResponses()
{
    cache_->clear();
}

void ResponseCache::setDirectory(const std::string& path)
{
    cache_->setCacheDirectory(QString::fromStdString(path));
}

std::string ResponseCache::directory() const
{
    std::string path = cache_->cacheDirectory().toStdString();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

void ResponseCache::setMaximumSize(std::int64_t bytes)
{
    cache_->setMaximumCacheSize(bytes);
}

std::int64_t ResponseCache::maximumSize() const
{
    return cache_->maximumCacheSize();
}

} // namespace platform
