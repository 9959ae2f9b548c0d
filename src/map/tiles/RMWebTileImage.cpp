#include "RMWebTileImage.h"

#include "Clock.h"
#include "Layer.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "RMExpensiveOperations.h"
#include "RMNotifications.h"
#include "RMTileProxy.h"
#include "ResponseCache.h"

#include <fmt/format.h>

#include <algorithm>

using platform::NotificationCenter;

namespace {

// Room reserved before the body arrives, whatever length the server
// announces.
constexpr std::size_t kLargestReservation = 1024 * 1024;

} // namespace

RMWebTileImage::RMWebTileImage(RMTile tile, const std::string& url)
    : RMTileImage(tile)
    , url_(url)
{
    setProxy(RMTileProxy::loadingTile());
    if (applyCachedPicture())
        return;

    const bool startNow = RMExpensiveOperations::allowed();
    platform::HttpRequest request;
    request.url = url;
    request.timeLimit = kTimeLimit;
    request.maximumContentLength = kMaximumTileBytes;
    connection_ = platform::HttpConnection::create(request, *this, startNow);
    if (connection_) {
        NotificationCenter::defaultCenter().postNotification(RMTileRequested);
    } else {
        base::log("Error: Connection is nil ?!?");
        setProxy(RMTileProxy::errorTile());
    }
    if (!startNow) {
        NotificationCenter::defaultCenter().addObserver(startObserver(), RMResumeExpensiveOperations, nullptr,
            [this](const platform::Notification&) { startLoadingImage(); });
    }
}

RMWebTileImage::~RMWebTileImage()
{
    NotificationCenter::defaultCenter().removeObserver(startObserver());
    cancelLoading();
}

bool RMWebTileImage::applyCachedPicture()
{
    platform::ResponseCache& cache = platform::ResponseCache::shared();
    std::optional<platform::ResponseCache::Entry> entry = cache.cachedResponse(url_);
    if (!entry)
        return false;
    platform::Image picture = platform::Image::fromData(entry->body);
    if (picture.isNull()) {
        // Kept, it would stand for the tile in every later run.
        cache.removeResponse(url_);
        base::logf("Removed a stored answer that is not a picture: {}", url_);
        return false;
    }
    setFreshness(entry->freshness);
    setImageToDecodedData(entry->body, std::move(picture));
    return true;
}

void RMWebTileImage::startLoadingImage()
{
    NotificationCenter::defaultCenter().removeObserver(startObserver(), RMResumeExpensiveOperations);
    if (connection_)
        connection_->start();
}

void RMWebTileImage::cancelLoading()
{
    if (!connection_)
        return;
    NotificationCenter::defaultCenter().postNotification(RMTileRetrieved);
    connection_.reset();
    releaseData();
    RMTileImage::cancelLoading();
}

void RMWebTileImage::makeLayer()
{
    RMTileImage::makeLayer();
    if (image().isNull() && layer()->contents().isNull()) {
        if (const std::shared_ptr<RMTileImage> placeholder = proxy())
            setLayerContents(placeholder->image());
    }
}

void RMWebTileImage::connectionDidReceiveResponse(
    platform::HttpConnection&, const platform::HttpResponse& response)
{
    releaseData();
    response_ = response;
    if (response.isSuccess() && response.expectedContentLength > 0)
        data_.reserve(std::min<std::size_t>(response.expectedContentLength, kLargestReservation));
}

void RMWebTileImage::connectionDidReceiveData(platform::HttpConnection&, const platform::Data& data)
{
    // The body of an error page is dropped.
    if (response_.isSuccess())
        data_.insert(data_.end(), data.data(), data.data() + data.size());
}

bool RMWebTileImage::connectionWillCacheResponse(platform::HttpConnection&, const platform::HttpResponse&)
{
    return !picture().isNull();
}

void RMWebTileImage::connectionDidFailWithError(platform::HttpConnection&, const std::string& description)
{
    fail(description);
}

void RMWebTileImage::connectionDidFinishLoading(platform::HttpConnection&)
{
    if (!response_.isSuccess()) {
        fail(fmt::format("The server answered with HTTP status {}.", response_.statusCode));
        return;
    }
    if (picture().isNull()) {
        fail(fmt::format("The answer is not a picture ({} bytes{}).", body().size(),
            response_.mimeType.empty() ? "" : " of " + response_.mimeType));
        return;
    }
    // Observers of the notifications below may drop the last other
    // reference to this image.
    const std::shared_ptr<RMTileImage> self = weak_from_this().lock();
    setFreshness(platform::HttpFreshness::fromHeaders(response_.headers, platform::Clock::current().now()));
    setImageToDecodedData(body(), *std::exchange(picture_, std::nullopt));
    releaseData();
    connection_.reset();
    NotificationCenter::defaultCenter().postNotification(RMTileRetrieved);
}

const platform::Data& RMWebTileImage::body()
{
    if (!body_)
        body_ = platform::Data(std::move(data_));
    return *body_;
}

const platform::Image& RMWebTileImage::picture()
{
    if (!picture_)
        picture_ = platform::Image::fromData(body());
    return *picture_;
}

void RMWebTileImage::fail(const std::string& description)
{
    const std::shared_ptr<RMTileImage> self = weak_from_this().lock();
    connection_->cancel();
    setProxy(RMTileProxy::errorTile());
    releaseData();
    base::logf("Tile could not be loaded: {}", description);
    NotificationCenter::defaultCenter().postNotification(RMTileRetrieved);
}

void RMWebTileImage::releaseData()
{
    std::vector<std::uint8_t>().swap(data_);
    body_.reset();
    picture_.reset();
}
