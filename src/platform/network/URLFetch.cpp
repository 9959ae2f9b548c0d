#include "URLFetch.h"

#include "HttpConnection.h"
#include "Log.h"

#include <QByteArray>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace platform {

namespace {

constexpr int kMaximumRedirects = 10;
// How long the caller waits beyond the time-out for the worker to report
// that it stopped (it aborts itself at the time-out).
constexpr std::chrono::milliseconds kStopGrace { 500 };

// What the worker hands back; shared, so a worker left running owns it too.
struct FetchResult {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::optional<Data> body;
    std::string failure;
};

Data dataOf(QByteArray bytes)
{
    auto owner = std::make_shared<const QByteArray>(std::move(bytes));
    const auto* first = reinterpret_cast<const std::uint8_t*>(owner->constData());
    return Data(owner, std::span(first, static_cast<std::size_t>(owner->size())));
}

QUrl webUrl(std::string_view text)
{
    const QUrl url(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), QUrl::StrictMode);
    const bool web = url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
    return url.isValid() && web && !url.host().isEmpty() ? url : QUrl();
}

// The text with control characters written as \xNN, so it stays on one
// log line.
std::string printable(std::string_view text)
{
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            shown += fmt::format("\\x{:02X}", byte);
        else
            shown += c;
    }
    return shown;
}

std::string secondsText(std::chrono::milliseconds timeout)
{
    return fmt::format("{:g} seconds", static_cast<double>(timeout.count()) / 1000);
}

// Runs on the worker thread: one request on a network access manager and
// event loop of the thread's own, stopped by its own timer.
void fetch(const std::shared_ptr<FetchResult>& result, const QUrl& url, std::chrono::milliseconds timeout)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromStdString(HttpConnection::userAgent()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaximumRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);

    QNetworkReply* reply = manager.get(request);
    QByteArray body;
    std::string failure;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    // The time-out bounds a real network wait on this private thread, so it
    // runs on real time, not on the program's Clock.
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        failure = "no complete answer within " + secondsText(timeout);
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->read(static_cast<qint64>(kMaximumFetchedBytes) + 1 - body.size());
        if (static_cast<std::size_t>(body.size()) > kMaximumFetchedBytes) {
            failure = "the answer is larger than 8 MiB";
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(timeout);
    loop.exec();

    if (failure.empty()) {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
            failure = "HTTP status " + std::to_string(status.toInt());
        else if (reply->error() != QNetworkReply::NoError || !status.isValid())
            failure = reply->errorString().toStdString();
    }
    const std::lock_guard lock(result->mutex);
    if (failure.empty())
        result->body = dataOf(std::move(body));
    result->failure = std::move(failure);
    result->done = true;
    result->finished.notify_all();
}

} // namespace

std::optional<Data> fetchURLContents(std::string_view url, double timeoutSeconds)
{
    const QUrl target = webUrl(url);
    if (target.isEmpty()) {
        base::logf("Could not fetch {}: not an http or https URL", printable(url));
        return std::nullopt;
    }
    const double seconds = std::clamp(std::isnan(timeoutSeconds) ? 0.0 : timeoutSeconds, 0.001, 3600.0);
    const std::chrono::milliseconds timeout { static_cast<long long>(std::ceil(seconds * 1000)) };

    auto result = std::make_shared<FetchResult>();
    std::thread worker;
    try {
        worker = std::thread([result, target, timeout] { fetch(result, target, timeout); });
    } catch (const std::system_error& error) {
        base::logf("Could not fetch {}: {}", url, error.what());
        return std::nullopt;
    }
    std::unique_lock lock(result->mutex);
    const bool done = result->finished.wait_for(lock, timeout + kStopGrace, [&] { return result->done; });
    if (!done) {
        lock.unlock();
        // Its own timer has aborted the request unless its thread is stuck;
        // it owns everything it uses, so it may end whenever it can.
        worker.detach();
        base::logf("Could not fetch {}: no complete answer within {}", url, secondsText(timeout));
        return std::nullopt;
    }
    std::optional<Data> body = std::move(result->body);
    const std::string failure = result->failure;
    lock.unlock();
    worker.join();
    if (!body)
        base::logf("Could not fetch {}: {}", url, failure);
    return body;
}

} // namespace platform
