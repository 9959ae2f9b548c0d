#include "ResponseCache.h"

#include "Directories.h"

#include <QDateTime>
#include <QIODevice>
#include <QLocale>
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

// The number after "max-age=" in a Cache-Control value.
std::optional<qint64> maxAge(const std::string& cacheControl)
{
    const std::size_t found = cacheControl.find("max-age=");
    if (found == std::string::npos)
        return std::nullopt;
    std::size_t i = found + 8;
    if (i >= cacheControl.size() || !std::isdigit(static_cast<unsigned char>(cacheControl[i])))
        return std::nullopt;
    qint64 seconds = 0;
    for (; i < cacheControl.size() && std::isdigit(static_cast<unsigned char>(cacheControl[i])); ++i)
        seconds = std::min<qint64>(seconds * 10 + (cacheControl[i] - '0'), qint64(1) << 40);
    return seconds;
}

QDateTime httpDate(const std::string& text)
{
    QDateTime date
        = QLocale::c().toDateTime(QString::fromStdString(text).trimmed(), "ddd, dd MMM yyyy hh:mm:ss 'GMT'");
    date.setTimeSpec(Qt::UTC);
    return date;
}

} // namespace

ResponseCache& ResponseCache::shared()
{
    // Never destroyed, like the network access manager that owns its disk
    // cache.
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
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const auto& [name, value] : headers) {
        const std::string field = lowered(name);
        if (field == "cache-control") {
            if (lowered(value).find("no-store") != std::string::npos)
                return false;
            if (const std::optional<qint64> seconds = maxAge(lowered(value)))
                meta.setExpirationDate(now.addSecs(*seconds));
        } else if (field == "expires" && !meta.expirationDate().isValid()) {
            meta.setExpirationDate(httpDate(value));
        } else if (field == "last-modified") {
            meta.setLastModified(httpDate(value));
        }
        if (isStoredField(field))
            stored.append({ QByteArray::fromStdString(name), QByteArray::fromStdString(value) });
    }
    meta.setRawHeaders(stored);
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
