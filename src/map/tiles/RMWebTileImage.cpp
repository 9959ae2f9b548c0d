#include "RMWebTileImage.h"

#include "Layer.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "RMMapContents.h"
#include "RMNotifications.h"
#include "RMTileProxy.h"
#include "ResponseCache.h"

#include <algorithm>
#include <array>
#include <span>

using platform::NotificationCenter;

namespace {

// Room reserved before the body arrives, whatever length the server
// announces.
constexpr std::size_t kLargestReservation = 1024 * 1024;

bool startsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> prefix)
{
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

bool endsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> suffix)
{
    return bytes.size() >= suffix.size()
        && std::equal(suffix.begin(), suffix.end(), bytes.end() - suffix.size());
}

// Whether the body is a whole PNG (signature to IEND chunk) or JPEG (start
// to end of image marker): an HTML page or a body cut short must not stay
// in the response cache, where every later request would find it.
bool looksLikeCompletePicture(std::span<const std::uint8_t> body)
{
    static constexpr std::array<std::uint8_t, 8> pngSignature { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
    static constexpr std::array<std::uint8_t, 12> pngEnd { 0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60,
        0x82 };
    static constexpr std::array<std::uint8_t, 3> jpegStart { 0xff, 0xd8, 0xff };
    static constexpr std::array<std::uint8_t, 2> jpegEnd { 0xff, 0xd9 };
    return (startsWith(body, pngSignature) && endsWith(body, pngEnd))
        || (startsWith(body, jpegStart) && endsWith(body, jpegEnd));
}

} // namespace

RMWebTileImage::RMWebTileImage(RMTile tile, const std::string& url)
    : RMTileImage(tile)
    , url_(url)
{
    setProxy(RMTileProxy::loadingTile());

    const platform::Data cached = platform::ResponseCache::shared().cachedData(url);
    if (!cached.empty()) {
        setImageToData(cached);
        return;
    }

    const bool startNow = RMMapContents::performExpensiveOperations();
    platform::HttpRequest request;
    request.url = url;
    connection_ = platform::HttpConnection::create(request, *this, startNow);
    if (connection_) {
        NotificationCenter::defaultCenter().postNotification(RMTileRequested);
    } else {
        platform::log("Error: Connection is nil ?!?");
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
            layer()->setContents(placeholder->image());
    }
}

void RMWebTileImage::connectionDidReceiveResponse(
    platform::HttpConnection&, const platform::HttpResponse& response)
{
    releaseData();
    errorStatus_ = response.isSuccess() ? 0 : response.statusCode;
    if (response.expectedContentLength > 0)
        data_.reserve(std::min<std::size_t>(response.expectedContentLength, kLargestReservation));
}

void RMWebTileImage::connectionDidReceiveData(platform::HttpConnection&, const platform::Data& data)
{
    if (errorStatus_ != 0)
        return;
    if (data_.size() + data.size() > kMaximumTileBytes) {
        fail("The tile is larger than " + std::to_string(kMaximumTileBytes) + " bytes.");
        return;
    }
    data_.insert(data_.end(), data.data(), data.data() + data.size());
}

bool RMWebTileImage::connectionWillCacheResponse(platform::HttpConnection&, const platform::HttpResponse&)
{
    return looksLikeCompletePicture(data_);
}

void RMWebTileImage::connectionDidFailWithError(platform::HttpConnection&, const std::string& description)
{
    fail(description);
}

void RMWebTileImage::connectionDidFinishLoading(platform::HttpConnection&)
{
    if (errorStatus_ != 0) {
        fail("The server answered with HTTP status " + std::to_string(errorStatus_) + ".");
        return;
    }
    // Observers of the notifications below may drop the last other
    // reference to this image.
    const std::shared_ptr<RMTileImage> self = weak_from_this().lock();
    setImageToData(platform::Data(std::move(data_)));
    releaseData();
    connection_.reset();
    NotificationCenter::defaultCenter().postNotification(RMTileRetrieved);
}

void RMWebTileImage::fail(const std::string& description)
{
    const std::shared_ptr<RMTileImage> self = weak_from_this().lock();
    connection_->cancel();
    setProxy(RMTileProxy::errorTile());
    releaseData();
    platform::logf("Tile could not be loaded: {}", description);
    NotificationCenter::defaultCenter().postNotification(RMTileRetrieved);
}

void RMWebTileImage::releaseData()
{
    std::vector<std::uint8_t>().swap(data_);
}
