#include "PlayExchange.h"

#include "Application.h"
#include "GameServer.h"
#include "Log.h"

#include <QStringDecoder>

namespace game {

namespace {
// The bytes as text, or none when they are not UTF-8.
std::optional<std::string_view> utf8Text(const std::vector<std::uint8_t>& bytes)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    QStringDecoder decoder(QStringDecoder::Utf8);
    decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
// An answer too large or too slow is the server's doing, not the network's.
PlayFailure failureOf(platform::HttpConnection::Failure failure)
{
    switch (failure) {
    case platform::HttpConnection::Failure::Certificate:
        return PlayFailure::Certificate;
    case platform::HttpConnection::Failure::AnswerTooLarge:
    case platform::HttpConnection::Failure::AnswerTooSlow:
        return PlayFailure::Server;
    case platform::HttpConnection::Failure::Network:
        break;
    }
    return PlayFailure::Connection;
}
} // namespace

void PlayExchange::begin()
{
    responseData_.emplace();
}

void PlayExchange::send(std::string body)
{
    if (!request_) {
        request_.emplace();
        request_->url = protocol::GameServer::playURL();
        request_->method = "POST";
        // An answer is a few kilobytes; a server that sends without end, or a byte at a time, fails
        // the request instead of holding the game's one request in flight.
        request_->maximumContentLength = kMostAnswerBytes;
        request_->timeLimit = kMostAnswerSeconds;
        // Qt's decompression ends a compressed answer at 4 MiB as if that were all of it, which
        // would make a cut answer pass for a whole one; answers are small, so they come plain.
        request_->headers.push_back({ "Accept-Encoding", "identity" });
    }
    request_->body = platform::Data::fromString(body);
    responseStatus_ = 0;
    connection_ = platform::HttpConnection::create(*request_, *this);
    platform::Application::shared().setNetworkActivityIndicatorVisible(true);
    if (!connection_)
        fail(PlayFailure::Connection, "the play URL " + request_->url + " is not valid");
}

void PlayExchange::connectionDidReceiveResponse(
    platform::HttpConnection&, const platform::HttpResponse& response)
{
    base::log("connectionDidReceiveResponse");
    responseStatus_ = response.statusCode;
}

void PlayExchange::connectionDidReceiveData(platform::HttpConnection&, const platform::Data& data)
{
    base::log("connectionDidReceiveData");
    if (responseData_)
        responseData_->insert(responseData_->end(), data.data(), data.data() + data.size());
}

bool PlayExchange::connectionWillCacheResponse(platform::HttpConnection&, const platform::HttpResponse&)
{
    return false;
}

void PlayExchange::connectionDidFinishLoading(platform::HttpConnection&)
{
    base::log("connectionDidFinishLoading");
    platform::Application::shared().setNetworkActivityIndicatorVisible(false);
    // An error page (a proxy's 502…) is not the game's answer: its points
    // must go again, as after a network failure.
    if (responseStatus_ < 200 || responseStatus_ >= 300) {
        const bool refused = responseStatus_ == 400 || responseStatus_ == 413;
        fail(refused ? PlayFailure::Refused : PlayFailure::Server,
            "the game server answered with HTTP status " + std::to_string(responseStatus_));
        return;
    }
    const std::vector<std::uint8_t> bytes
        = responseData_ ? std::move(*responseData_) : std::vector<std::uint8_t>();
    delegate_.playExchangeDidAnswer(utf8Text(bytes));
    end();
}

void PlayExchange::connectionDidFailWithError(
    platform::HttpConnection& connection, const std::string& description)
{
    fail(failureOf(connection.failure()), description);
}

void PlayExchange::fail(PlayFailure failure, const std::string& reason)
{
    platform::Application::shared().setNetworkActivityIndicatorVisible(false);
    end();
    delegate_.playExchangeDidFail(failure, reason);
}

void PlayExchange::end()
{
    responseData_.reset();
    connection_.reset();
}

} // namespace game
