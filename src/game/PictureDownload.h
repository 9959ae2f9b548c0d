#pragma once

#include "Data.h"
#include "HttpConnection.h"
#include "HttpConnectionDelegate.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace game {

// One picture fetched from the game server's picture port without waiting
// for it: the bytes of a 2xx answer of at most kMostBytes within
// kMostSeconds, or none. Destroying it cancels the fetch. Main thread only.
class PictureDownload : private platform::HttpConnectionDelegate {
public:
    static constexpr std::int64_t kMostBytes = 1024 * 1024;
    static constexpr double kMostSeconds = 20;
    static constexpr double kPatience = 10;

    // Hears the bytes, or none with the reason logged; may destroy the download.
    using Done = std::function<void(std::optional<platform::Data> bytes)>;

    // The fetch, started at once; null, with a log line, when the URL cannot be fetched.
    static std::unique_ptr<PictureDownload> create(const std::string& url, Done done);
    PictureDownload(const PictureDownload&) = delete;
    PictureDownload& operator=(const PictureDownload&) = delete;

private:
    PictureDownload(const std::string& url, Done done);
    void connectionDidReceiveResponse(
        platform::HttpConnection& connection, const platform::HttpResponse& response) override;
    void connectionDidReceiveData(platform::HttpConnection& connection, const platform::Data& data) override;
    bool connectionWillCacheResponse(
        platform::HttpConnection& connection, const platform::HttpResponse& response) override;
    void connectionDidFailWithError(
        platform::HttpConnection& connection, const std::string& description) override;
    void connectionDidFinishLoading(platform::HttpConnection& connection) override;

    std::string url_;
    Done done_;
    std::vector<std::uint8_t> bytes_;
    std::unique_ptr<platform::HttpConnection> connection_;
};

} // namespace game
