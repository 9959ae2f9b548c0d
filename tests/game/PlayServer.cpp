#include "PlayServer.h"

#include "CertificateAuthority.h"

#include <httplib.h>

#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>

namespace vantry::test {

namespace {

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

} // namespace

PlayServer::PlayServer(const std::string& folder)
{
    const auto authority = server::CertificateAuthority::create("Vantry test authority");
    const auto certificate
        = authority ? authority->issueServerCertificate({ "127.0.0.1", "localhost" }) : std::nullopt;
    if (!certificate)
        throw std::runtime_error("cannot make the test certificates");
    authorityFile_ = folder + "/authority.pem";
    writeFile(authorityFile_, authority->certificatePem());
    const std::string certificateFile = folder + "/server.pem";
    const std::string keyFile = folder + "/server.key";
    writeFile(certificateFile, certificate->certificate);
    writeFile(keyFile, certificate->privateKey);

    server_ = std::make_unique<httplib::SSLServer>(certificateFile.c_str(), keyFile.c_str());
    server_->Post("/api/play", [this](const httplib::Request& request, httplib::Response& response) {
        std::unique_lock lock(mutex_);
        bodies_.push_back(request.body);
        released_.wait(lock, [this] { return !holding_ || stopping_; });
        Answer answer { 200, "{}" };
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
        response.status = answer.status;
        if (answer.streamBytes > 0)
            return stream(response, answer);
        response.set_content(answer.body, "application/json");
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("the play server could not listen on the loopback interface");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running())
        std::this_thread::yield();
}

PlayServer::~PlayServer()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    released_.notify_all();
    server_->stop();
    thread_.join();
}

void PlayServer::queueAnswer(const std::string& body, int status)
{
    const std::lock_guard lock(mutex_);
    answers_.push_back(Answer { status, body });
}

void PlayServer::queueEndlessAnswer(std::size_t bytes, std::chrono::milliseconds pause)
{
    const std::lock_guard lock(mutex_);
    answers_.push_back(Answer { 200, "", bytes, pause });
}

void PlayServer::stream(httplib::Response& response, const Answer& answer)
{
    // Letters at random, which no compression on the way makes small.
    auto random = std::make_shared<std::mt19937>(7);
    response.set_chunked_content_provider(
        "application/json", [this, answer, random](std::size_t, httplib::DataSink& sink) {
            std::string letters(answer.streamBytes, ' ');
            for (char& letter : letters)
                letter = static_cast<char>('a' + (*random)() % 26);
            if (!sink.write(letters.data(), letters.size()))
                return false;
            std::unique_lock lock(mutex_);
            return !released_.wait_for(lock, answer.pause, [this] { return stopping_; });
        });
}

void PlayServer::hold()
{
    const std::lock_guard lock(mutex_);
    holding_ = true;
}

void PlayServer::release()
{
    {
        const std::lock_guard lock(mutex_);
        holding_ = false;
    }
    released_.notify_all();
}

std::vector<std::string> PlayServer::bodies() const
{
    const std::lock_guard lock(mutex_);
    return bodies_;
}

} // namespace vantry::test
