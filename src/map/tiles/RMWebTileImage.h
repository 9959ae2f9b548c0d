#pragma once

#include "HttpConnection.h"
#include "HttpConnectionDelegate.h"
#include "RMTileImage.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A tile image downloaded over HTTP. Its layer shows the proxy picture (the
// loading tile) until the download is applied.
//
// States: waiting to start (created while expensive operations were
// suspended; starts on RMResumeExpensiveOperations) → loading → loaded
// (connection() null) or failed (proxy null, connection kept); cancelLoading
// from waiting, loading or failed leads to cancelled (connection null).
// A picture found in the platform's response cache is applied at once, with
// no connection and no RMTileRequested, together with the entry's freshness
// (a stale one is revalidated by the cached tile source); an entry that is
// not a picture is removed and the tile downloaded.
//
// A download counts as failed, with the line "Tile could not be loaded: …",
// when the connection fails (a truncated body, no progress for 30 seconds,
// more than kTimeLimit seconds in all, a body beyond kMaximumTileBytes),
// when the server answers with a status outside 2xx (an error page is never
// taken for the tile), or when the answer is not a picture (an HTML page,
// an empty answer, a picture cut short or damaged). A failed tile is fetched
// again the next time it comes on screen. Only answers that decode to a
// picture enter the response cache.
//
// Destroying the image cancels its download; no callback reaches it
// afterwards.
class RMWebTileImage : public RMTileImage, public platform::HttpConnectionDelegate {
public:
    // The largest tile body accepted (map tiles are tens of kilobytes).
    static constexpr std::size_t kMaximumTileBytes = 8 * 1024 * 1024;
    // Seconds a download may take in all, however steadily bytes trickle.
    static constexpr double kTimeLimit = 60;

    RMWebTileImage(RMTile tile, const std::string& url);
    ~RMWebTileImage() override;

    // Starts a download that waited for expensive operations; called on
    // RMResumeExpensiveOperations.
    void startLoadingImage();
    // With a connection (waiting, loading or failed): posts RMTileRetrieved,
    // cancels and drops the connection and the bytes received, then posts
    // RMMapImageLoadingCancelledNotification. Without one: nothing.
    void cancelLoading() override;
    // The base layer; while it has no picture it shows the proxy's.
    void makeLayer() override;

    // Not owned: the placeholder whose picture the layer shows while
    // loading; null after a failure.
    std::shared_ptr<RMTileImage> proxy() const { return proxy_.lock(); }
    void setProxy(const std::shared_ptr<RMTileImage>& proxy) { proxy_ = proxy; }

    const std::string& url() const { return url_; }
    // The download while waiting, loading or failed; null otherwise.
    const platform::HttpConnection* connection() const { return connection_.get(); }
    // The HTTP status of the server's answer; 0 while none came (also when
    // the connection failed before one).
    int answerStatus() const { return response_.statusCode; }

    void connectionDidReceiveResponse(
        platform::HttpConnection& connection, const platform::HttpResponse& response) override;
    void connectionDidReceiveData(platform::HttpConnection& connection, const platform::Data& data) override;
    bool connectionWillCacheResponse(
        platform::HttpConnection& connection, const platform::HttpResponse& response) override;
    void connectionDidFailWithError(
        platform::HttpConnection& connection, const std::string& description) override;
    void connectionDidFinishLoading(platform::HttpConnection& connection) override;

protected:
    std::string_view className() const override { return "RMWebTileImage"; }

private:
    const void* startObserver() const { return &connection_; }
    // Applies a picture of the response cache; false when there is none.
    bool applyCachedPicture();
    // The whole body received, and the picture it decodes to (null when it
    // is not one); each made once.
    const platform::Data& body();
    const platform::Image& picture();
    // Stops the transfer, keeps the connection (the failed state), logs and
    // posts RMTileRetrieved.
    void fail(const std::string& description);
    void releaseData();

    std::weak_ptr<RMTileImage> proxy_;
    std::unique_ptr<platform::HttpConnection> connection_;
    std::vector<std::uint8_t> data_;
    std::optional<platform::Data> body_;
    std::optional<platform::Image> picture_;
    platform::HttpResponse response_;
    std::string url_;
};
