#include "PictureDownload.h"

#include "Log.h"

namespace game {

PictureDownload::PictureDownload(const std::string& url, Done done)
    : url_(url)
    , done_(std::move(done))
{
    platform::HttpRequest request;
    request.url = url;
    request.timeoutInterval = kPatience;
    request.timeLimit = kMostSeconds;
    request.maximumContentLength = kMostBytes;
    connection_ = platform::HttpConnection::create(request, *this);
}

std::unique_ptr<PictureDownload> PictureDownload::create(const std::string& url, Done done)
{
    std::unique_ptr<PictureDownload> download(new PictureDownload(url, std::move(done)));
    if (download->connection_)
        return download;
    base::logf("Could not fetch {}: not an http or https URL", url);
    return nullptr;
}

void PictureDownload::connectionDidReceiveResponse(platform::HttpConnection&, const platform::HttpResponse&)
{
    bytes_.clear();
}

void PictureDownload::connectionDidReceiveData(platform::HttpConnection&, const platform::Data& data)
{
    bytes_.insert(bytes_.end(), data.bytes().begin(), data.bytes().end());
}

bool PictureDownload::connectionWillCacheResponse(platform::HttpConnection&, const platform::HttpResponse&)
{
    // The pictures have their own files.
    return false;
}

void PictureDownload::connectionDidFailWithError(platform::HttpConnection&, const std::string& description)
{
    base::logf("Could not fetch {}: {}", url_, description);
    const Done done = done_;
    done(std::nullopt);
}

void PictureDownload::connectionDidFinishLoading(platform::HttpConnection& connection)
{
    const Done done = done_;
    if (connection.statusCode() < 200 || connection.statusCode() > 299) {
        base::logf("Could not fetch {}: HTTP status {}", url_, connection.statusCode());
        return done(std::nullopt);
    }
    done(platform::Data(std::move(bytes_)));
}

} // namespace game
