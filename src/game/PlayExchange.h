#pragma once

#include "HttpConnection.h"
#include "HttpConnectionDelegate.h"
#include "HttpRequest.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace game {

// What made a play request fail.
enum class PlayFailure {
    Connection, // no network, no answer, a dropped or timed-out connection
    Server, // the server (or a proxy before it) answered with an error status
    Refused, // the server will not take these points: 400 or 413
    Certificate, // the server's certificate is not one the game trusts
};

// Hears how a play request ended; implemented by the game screen.
class PlayExchangeDelegate {
public:
    // A 2xx answer arrived: its body as text, or none when it was not UTF-8.
    // The request still counts as in flight during the call.
    virtual void playExchangeDidAnswer(std::optional<std::string_view> answerText) = 0;
    // The request failed, for `reason` of kind `failure`; it is no longer in
    // flight.
    virtual void playExchangeDidFail(PlayFailure failure, const std::string& reason) = 0;

protected:
    ~PlayExchangeDelegate() = default;
};

// The play requests to the game server, one at a time: the request (made
// once, then reused), its connection and the bytes of its answer, which
// exist exactly while a request is in flight. Owned by the game screen, its
// delegate; main thread only. Shows the network activity indicator while a
// request runs.
class PlayExchange : private platform::HttpConnectionDelegate {
public:
    // The largest answer taken, and the longest a request may take in all.
    static constexpr std::int64_t kMostAnswerBytes = 4 * 1024 * 1024;
    static constexpr double kMostAnswerSeconds = 30;

    explicit PlayExchange(PlayExchangeDelegate& delegate)
        : delegate_(delegate)
    { }
    PlayExchange(const PlayExchange&) = delete;
    PlayExchange& operator=(const PlayExchange&) = delete;

    bool isInFlight() const { return responseData_.has_value(); }
    // A request is in flight from now on: its answer's bytes exist.
    void begin();
    // Posts `body` to the play URL. A URL that cannot be requested fails at
    // once, through the delegate.
    void send(std::string body);

private:
    void connectionDidReceiveResponse(
        platform::HttpConnection& connection, const platform::HttpResponse& response) override;
    void connectionDidReceiveData(platform::HttpConnection& connection, const platform::Data& data) override;
    bool connectionWillCacheResponse(
        platform::HttpConnection& connection, const platform::HttpResponse& response) override;
    void connectionDidFailWithError(
        platform::HttpConnection& connection, const std::string& description) override;
    void connectionDidFinishLoading(platform::HttpConnection& connection) override;

    void fail(PlayFailure failure, const std::string& reason);
    // Not in flight any more; the connection goes (its callbacks allow it).
    void end();

    PlayExchangeDelegate& delegate_;
    std::optional<platform::HttpRequest> request_;
    std::unique_ptr<platform::HttpConnection> connection_;
    int responseStatus_ = 0;
    std::optional<std::vector<std::uint8_t>> responseData_;
};

} // namespace game
