#include "HttpFreshness.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <algorithm>
#include <cctype>
#include <optional>

namespace platform {

namespace {

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::ranges::transform(result, result.begin(), [](unsigned char c) { return std::tolower(c); });
    return result;
}

const std::string* field(const HttpHeaders& headers, std::string_view name)
{
    for (const auto& [key, value] : headers) {
        if (lowered(key) == name)
            return &value;
    }
    return nullptr;
}

// The number after "max-age=" in a Cache-Control value.
std::optional<double> maxAge(const std::string& cacheControl)
{
    const std::size_t found = cacheControl.find("max-age=");
    if (found == std::string::npos)
        return std::nullopt;
    std::size_t i = found + 8;
    if (i >= cacheControl.size() || !std::isdigit(static_cast<unsigned char>(cacheControl[i])))
        return std::nullopt;
    double seconds = 0;
    for (; i < cacheControl.size() && std::isdigit(static_cast<unsigned char>(cacheControl[i])); ++i)
        seconds = std::min(seconds * 10 + (cacheControl[i] - '0'), 1e12);
    return seconds;
}

// An HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT") in seconds since 1970.
std::optional<double> httpDate(const std::string& text)
{
    QDateTime date
        = QLocale::c().toDateTime(QString::fromStdString(text).trimmed(), "ddd, dd MMM yyyy hh:mm:ss 'GMT'");
    if (!date.isValid())
        return std::nullopt;
    date.setTimeSpec(Qt::UTC);
    return static_cast<double>(date.toSecsSinceEpoch());
}

} // namespace

HttpFreshness HttpFreshness::fromHeaders(const HttpHeaders& headers, double now, double defaultLifetime)
{
    HttpFreshness freshness;
    if (const std::string* etag = field(headers, "etag"))
        freshness.etag = *etag;
    if (const std::string* modified = field(headers, "last-modified"))
        freshness.lastModified = *modified;

    const std::string* control = field(headers, "cache-control");
    const std::string directives = control ? lowered(*control) : std::string();
    if (directives.find("no-cache") != std::string::npos) {
        freshness.expires = now;
    } else if (const std::optional<double> seconds = maxAge(directives)) {
        freshness.expires = now + *seconds;
    } else if (const std::string* expires = field(headers, "expires")) {
        freshness.expires = httpDate(*expires).value_or(now);
    } else {
        freshness.expires = now + defaultLifetime;
    }
    return freshness;
}

HttpHeaders HttpFreshness::conditionalHeaders() const
{
    HttpHeaders headers;
    if (!etag.empty())
        headers.emplace_back("If-None-Match", etag);
    if (!lastModified.empty())
        headers.emplace_back("If-Modified-Since", lastModified);
    return headers;
}

HttpFreshness HttpFreshness::refreshedBy(const HttpHeaders& headers, double now) const
{
    HttpFreshness refreshed = fromHeaders(headers, now);
    if (refreshed.etag.empty())
        refreshed.etag = etag;
    if (refreshed.lastModified.empty())
        refreshed.lastModified = lastModified;
    return refreshed;
}

} // namespace platform
