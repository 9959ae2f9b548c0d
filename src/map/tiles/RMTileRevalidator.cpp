#include "RMTileRevalidator.h"

#include "Clock.h"
#include "HttpConnection.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "RMNotifications.h"
#include "RMTileImage.h"
#include "RMWebTileImage.h"
#include "ResponseCache.h"

#include <fmt/format.h>

#include <vector>

class RMTileRevalidator::Revalidation final : public platform::HttpConnectionDelegate {
public:
    Revalidation(RMTileRevalidator& owner, const std::shared_ptr<RMTileImage>& image, const std::string& url)
        : owner_(owner)
        , image_(image)
        , key_(RMTileKey(image->tile()))
        , old_(*image->freshness())
    {
        platform::HttpRequest request;
        request.url = url;
        request.headers = old_.conditionalHeaders();
        request.timeLimit = RMWebTileImage::kTimeLimit;
        request.maximumContentLength = RMWebTileImage::kMaximumTileBytes;
        connection_ = platform::HttpConnection::create(request, *this);
    }

    bool started() const { return connection_ != nullptr; }

    void connectionDidReceiveResponse(
        platform::HttpConnection&, const platform::HttpResponse& response) override
    {
        response_ = response;
    }
    void connectionDidReceiveData(platform::HttpConnection&, const platform::Data& data) override
    {
        if (response_.isSuccess())
            body_.insert(body_.end(), data.data(), data.data() + data.size());
    }
    bool connectionWillCacheResponse(platform::HttpConnection&, const platform::HttpResponse&) override
    {
        picture_ = platform::Image::fromData(platform::Data(std::span(body_)));
        return !picture_.isNull();
    }
    void connectionDidFailWithError(platform::HttpConnection&, const std::string& description) override
    {
        end(description);
    }
    void connectionDidFinishLoading(platform::HttpConnection& connection) override
    {
        const double now = platform::Clock::current().now();
        const std::shared_ptr<RMTileImage> image = image_.lock();
        if (!image) {
            end({});
        } else if (response_.statusCode == 304) {
            const platform::HttpFreshness fresh = old_.refreshedBy(response_.headers, now);
            image->setFreshness(fresh);
            platform::ResponseCache::shared().refreshResponse(connection.request().url, fresh);
            announce(*image, {});
            end({});
        } else if (response_.isSuccess() && !picture_.isNull()) {
            const platform::Data bytes(std::move(body_));
            image->setFreshness(platform::HttpFreshness::fromHeaders(response_.headers, now));
            image->setImageToDecodedData(bytes, std::move(picture_));
            announce(*image, { { std::string(RMMapImageDataKey), bytes } });
            end({});
        } else {
            end(response_.isSuccess()
                    ? "The answer is not a picture."
                    : fmt::format("The server answered with HTTP status {}.", response_.statusCode));
        }
    }

private:
    static void announce(const RMTileImage& image, platform::UserInfo userInfo)
    {
        platform::NotificationCenter::defaultCenter().postNotification(
            RMMapImageRevalidatedNotification, image.notificationObject(), std::move(userInfo));
    }
    // Logs a failure, if any, then lets the owner destroy this question.
    void end(const std::string& failure)
    {
        if (!failure.empty())
            base::logf("Tile could not be revalidated: {}", failure);
        owner_.finished(key_);
    }

    RMTileRevalidator& owner_;
    std::weak_ptr<RMTileImage> image_;
    std::uint64_t key_;
    platform::HttpFreshness old_;
    std::unique_ptr<platform::HttpConnection> connection_;
    platform::HttpResponse response_;
    std::vector<std::uint8_t> body_;
    platform::Image picture_;
};

RMTileRevalidator::RMTileRevalidator() = default;
RMTileRevalidator::~RMTileRevalidator() = default;

void RMTileRevalidator::revalidate(const std::shared_ptr<RMTileImage>& image, const std::string& url)
{
    if (!image || !image->freshness())
        return;
    image->markRevalidationAsked();
    const std::uint64_t key = RMTileKey(image->tile());
    if (pending_.contains(key))
        return;
    auto revalidation = std::make_unique<Revalidation>(*this, image, url);
    if (revalidation->started())
        pending_.emplace(key, std::move(revalidation));
}

void RMTileRevalidator::finished(std::uint64_t tileKey)
{
    pending_.erase(tileKey);
}
