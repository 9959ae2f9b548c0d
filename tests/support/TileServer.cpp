#include "TileServer.h"

#include "TestImages.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <regex>
#include <stdexcept>

namespace vantry::test {

namespace {

std::string lowered(std::string text)
{
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

} // namespace

TileServer::TileServer()
    : server_(std::make_unique<httplib::Server>())
{
    // One request per connection: stopping never waits for idle keep-alive
    // connections to time out.
    server_->set_keep_alive_max_count(1);
    // Nor for connections the client opened but never used.
    server_->set_read_timeout(0, 500000);
    // The logger runs once an answer has been written out.
    server_->set_logger([this](const httplib::Request& request, const httplib::Response&) {
        {
            std::lock_guard lock(mutex_);
            ++answerCounts_[request.path];
        }
        answered_.notify_all();
    });
    server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        Answer answer;
        {
            std::unique_lock lock(mutex_);
            ++requestCounts_[request.path];
            peakAnswering_ = std::max(peakAnswering_, ++answering_);
            auto& headers = lastHeaders_[request.path];
            headers.assign(request.headers.begin(), request.headers.end());
            ++waiting_[request.path];
            released_.wait(lock, [&] { return stopping_ || !held_.contains(request.path); });
            --waiting_[request.path];
            if (delay_ > 0)
                released_.wait_for(lock, std::chrono::duration<double>(delay_), [this] { return stopping_; });
            if (const auto found = answers_.find(request.path); found != answers_.end())
                answer = found->second;
            --answering_;
        }
        switch (answer.kind) {
        case Answer::Kind::Tile:
        case Answer::Kind::Truncated:
            answerTile(request, answer, response);
            return;
        case Answer::Kind::Status:
            response.status = answer.status;
            response.set_content(answer.body, "text/html");
            return;
        case Answer::Kind::Body:
            response.set_content(answer.body, answer.contentType);
            return;
        case Answer::Kind::Redirect:
            response.set_redirect(answer.body, answer.status);
            return;
        case Answer::Kind::Trickle:
        case Answer::Kind::Huge:
            answerHostile(request.path, answer, response);
            return;
        }
    });
    server_->Post(".*", [this](const httplib::Request& request, httplib::Response& response) {
        {
            std::lock_guard lock(mutex_);
            ++requestCounts_[request.path];
            lastHeaders_[request.path].assign(request.headers.begin(), request.headers.end());
        }
        response.set_content(request.body, request.get_header_value("Content-Type"));
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("the tile server could not listen on the loopback interface");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // stop() is ignored until the accept loop runs.
    while (!server_->is_running())
        std::this_thread::yield();
}

TileServer::~TileServer()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    released_.notify_all();
    server_->stop();
    thread_.join();
}

void TileServer::answerTile(
    const httplib::Request& request, const Answer& answer, httplib::Response& response)
{
    static const std::regex tile(R"(/(\d+)/(\d+)/(\d+)\.png)");
    std::smatch match;
    if (!std::regex_match(request.path, match, tile)) {
        response.status = 404;
        response.set_content("<h1>no such tile</h1>", "text/html");
        return;
    }
    int maxAge = 0;
    {
        std::lock_guard lock(mutex_);
        maxAge = tileMaxAge_;
    }
    const std::string etag = "\"" + match[1].str() + "/" + match[2].str() + "/" + match[3].str() + "\"";
    response.set_header("Cache-Control", "public, max-age=" + std::to_string(maxAge));
    response.set_header("ETag", etag);
    if (request.get_header_value("If-None-Match") == etag) {
        response.status = 304;
        return;
    }
    const platform::Data png = tileData(std::stoi(match[1]), std::stoi(match[2]), std::stoi(match[3]));
    auto bytes = std::make_shared<std::string>(png.view());
    if (answer.kind == Answer::Kind::Tile) {
        response.set_content(*bytes, "image/png");
        return;
    }
    response.set_content_provider(
        bytes->size(), "image/png", [bytes](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            if (offset == 0)
                sink.write(bytes->data(), bytes->size() / 2);
            return false; // closes the connection short of the announced length
        });
}

void TileServer::answerHostile(const std::string& path, const Answer& answer, httplib::Response& response)
{
    if (answer.kind == Answer::Kind::Trickle) {
        response.set_chunked_content_provider(
            "image/png", [this, path, pause = answer.pause](std::size_t, httplib::DataSink& sink) {
                if (!sink.write("x", 1))
                    return false;
                countSent(path, 1);
                std::unique_lock lock(mutex_);
                return !released_.wait_for(
                    lock, std::chrono::duration<double>(pause), [this] { return stopping_; });
            });
        return;
    }
    const auto total = static_cast<std::size_t>(answer.bytes);
    // Writes the next stretch of zeros; false once the client has gone.
    auto write = [this, path, total](std::size_t offset, httplib::DataSink& sink) {
        static const std::string zeros(64 * 1024, '\0');
        const std::size_t size = std::min(zeros.size(), total - offset);
        if (!sink.write(zeros.data(), size))
            return false;
        countSent(path, size);
        std::lock_guard lock(mutex_);
        return !stopping_;
    };
    if (answer.announced) {
        response.set_content_provider(total, "application/octet-stream",
            [write](
                std::size_t offset, std::size_t, httplib::DataSink& sink) { return write(offset, sink); });
        return;
    }
    response.set_chunked_content_provider(
        "application/octet-stream", [write, total](std::size_t offset, httplib::DataSink& sink) {
            if (offset < total)
                return write(offset, sink);
            sink.done();
            return true;
        });
}

void TileServer::countSent(const std::string& path, std::size_t bytes)
{
    std::lock_guard lock(mutex_);
    bytesSent_[path] += static_cast<std::int64_t>(bytes);
}

std::string TileServer::baseUrl() const
{
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::string TileServer::tilePath(int zoom, int x, int y)
{
    return "/" + std::to_string(zoom) + "/" + std::to_string(x) + "/" + std::to_string(y) + ".png";
}

std::string TileServer::tileUrl(int zoom, int x, int y) const
{
    return baseUrl() + tilePath(zoom, x, y);
}

platform::Data TileServer::tileData(int zoom, int x, int y)
{
    return tileart::tilePng(zoom, x, y);
}

void TileServer::setAnswer(const std::string& path, Answer answer)
{
    std::lock_guard lock(mutex_);
    answers_[path] = std::move(answer);
}

void TileServer::respondWithStatus(const std::string& path, int status, const std::string& body)
{
    setAnswer(path, Answer { Answer::Kind::Status, status, body, "text/html" });
}

void TileServer::respondWithBody(
    const std::string& path, const std::string& body, const std::string& contentType)
{
    setAnswer(path, Answer { Answer::Kind::Body, 200, body, contentType });
}

void TileServer::respondTruncated(const std::string& path)
{
    setAnswer(path, Answer { Answer::Kind::Truncated, 200, {}, {} });
}

void TileServer::redirect(const std::string& path, const std::string& location, int status)
{
    setAnswer(path, Answer { Answer::Kind::Redirect, status, location, {} });
}

void TileServer::respondTrickling(const std::string& path, double pause)
{
    Answer answer;
    answer.kind = Answer::Kind::Trickle;
    answer.pause = pause;
    setAnswer(path, answer);
}

void TileServer::respondWithHugeBody(const std::string& path, std::int64_t bytes, bool announced)
{
    Answer answer;
    answer.kind = Answer::Kind::Huge;
    answer.bytes = bytes;
    answer.announced = announced;
    setAnswer(path, answer);
}

std::int64_t TileServer::bytesSent(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    const auto found = bytesSent_.find(path);
    return found == bytesSent_.end() ? 0 : found->second;
}

void TileServer::setTileMaxAge(int seconds)
{
    std::lock_guard lock(mutex_);
    tileMaxAge_ = seconds;
}

void TileServer::setDelay(double seconds)
{
    std::lock_guard lock(mutex_);
    delay_ = seconds;
}

std::size_t TileServer::peakConcurrentRequests() const
{
    std::lock_guard lock(mutex_);
    return peakAnswering_;
}

void TileServer::hold(const std::string& path)
{
    std::lock_guard lock(mutex_);
    held_.insert(path);
}

void TileServer::release(const std::string& path)
{
    {
        std::lock_guard lock(mutex_);
        held_.erase(path);
    }
    released_.notify_all();
}

std::size_t TileServer::waitingCount(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    const auto found = waiting_.find(path);
    return found == waiting_.end() ? 0 : found->second;
}

void TileServer::waitUntilAnswered(const std::string& path, std::size_t count) const
{
    std::unique_lock lock(mutex_);
    answered_.wait(lock, [&] {
        const auto found = answerCounts_.find(path);
        return found != answerCounts_.end() && found->second >= count;
    });
}

std::size_t TileServer::requestCount(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    const auto found = requestCounts_.find(path);
    return found == requestCounts_.end() ? 0 : found->second;
}

std::vector<std::string> TileServer::requestedPaths() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> paths;
    for (const auto& [path, count] : requestCounts_)
        paths.push_back(path);
    return paths;
}

std::string TileServer::lastRequestHeader(const std::string& path, const std::string& name) const
{
    std::lock_guard lock(mutex_);
    const auto found = lastHeaders_.find(path);
    if (found == lastHeaders_.end())
        return {};
    for (const auto& [field, value] : found->second) {
        if (lowered(field) == lowered(name))
            return value;
    }
    return {};
}

} // namespace vantry::test
