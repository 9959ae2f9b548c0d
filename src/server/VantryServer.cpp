#include "VantryServer.h"

#include "GamePictures.h"
#include "GameService.h"
#include "HttpRoutes.h"
#include "Log.h"
#include "PlayRequest.h"
#include "PlayerStore.h"
#include "ServerCertificates.h"
#include "TlsServerContext.h"

#include <charconv>
#include <filesystem>
#include <system_error>

namespace server {

namespace {
constexpr const char* kPlainText = "text/plain; charset=utf-8";

bool prepareFolder(const std::string& folder)
{
    std::error_code error;
    if (std::filesystem::is_directory(folder, error))
        return true;
    if (std::filesystem::create_directories(folder, error)) {
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
        if (!error)
            return true;
    }
    base::log("cannot make the data folder " + folder + ": " + error.message());
    return false;
}

void answerPlain(httplib::Response& response, int status, std::string text)
{
    response.status = status;
    response.set_content(std::move(text), kPlainText);
}

// The play request's body, read up to the size limit; none, with the reason in `problem`, when it is
// larger or did not arrive whole (the rest stays unread, so the connection must close).
std::optional<std::string> playBody(
    const httplib::Request& request, const httplib::ContentReader& reader, std::string& problem)
{
    problem = "the body is larger than 1 MiB\n";
    const std::string declared = request.get_header_value("Content-Length");
    std::size_t length = 0;
    if (!declared.empty()
        && std::from_chars(declared.data(), declared.data() + declared.size(), length).ec == std::errc {}
        && length > protocol::kMaxPlayBodyBytes)
        return std::nullopt;
    std::string body;
    body.reserve(std::min(length, protocol::kMaxPlayBodyBytes));
    bool tooLarge = false;
    const bool whole = reader([&body, &tooLarge](const char* data, std::size_t size) {
        tooLarge = body.size() + size > protocol::kMaxPlayBodyBytes;
        if (!tooLarge)
            body.append(data, size);
        return !tooLarge;
    });
    if (!whole && !tooLarge)
        problem = "the body did not arrive whole\n";
    return whole ? std::optional(std::move(body)) : std::nullopt;
}

void answerErrorsInPlainText(HttpRoutes& routes)
{
    routes.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty())
            response.set_content(response.status == 404 ? "not found\n" : "bad request\n", kPlainText);
    });
}
} // namespace

VantryServer::VantryServer() = default;

VantryServer::~VantryServer()
{
    stop();
}

std::unique_ptr<VantryServer> VantryServer::create(const VantryServerSettings& settings)
{
    std::unique_ptr<VantryServer> server(new VantryServer());
    if (!server->setUp(settings))
        return nullptr;
    return server;
}

bool VantryServer::setUp(const VantryServerSettings& settings)
{
    if (!prepareFolder(settings.dataFolder))
        return false;
    store_ = PlayerStore::open(settings.dataFolder + "/players.sqlite");
    if (!store_)
        return false;
    game_ = std::make_unique<GameService>(*store_, GameRules(settings.seed, settings.fastest));

    std::string certificate = settings.certificate;
    std::string privateKey = settings.privateKey;
    if (certificate.empty() && privateKey.empty()) {
        const std::optional<ServerCertificateFiles> files
            = prepareServerCertificates(settings.dataFolder, serverHostNames(settings.host));
        if (!files)
            return false;
        certificate = files->certificate;
        privateKey = files->privateKey;
        authorityFile_ = files->authority;
        madeAuthority_ = files->madeAuthority;
    }
    tls_ = TlsServerContext::fromFiles(certificate, privateKey);
    if (!tls_)
        return false;

    playRoutes_ = std::make_unique<HttpRoutes>();
    playRoutes_->Post(std::string(protocol::kPlayPath),
        [this](const httplib::Request& request, httplib::Response& response,
            const httplib::ContentReader& reader) {
            std::string problem;
            const std::optional<std::string> body = playBody(request, reader, problem);
            if (!body) {
                HttpListener::closeConnectionAfterAnswer();
                answerPlain(response, 400, std::move(problem));
                return;
            }
            GameService::Outcome outcome = game_->play(*body);
            if (outcome.status == 200)
                response.set_content(std::move(outcome.body), "application/json");
            else
                answerPlain(response, outcome.status, std::move(outcome.body));
        });
    answerErrorsInPlainText(*playRoutes_);

    pictureRoutes_ = std::make_unique<HttpRoutes>();
    pictureRoutes_->Get(std::string(protocol::kPicturePath) + R"(([^/]+)\.png)",
        [](const httplib::Request& request, httplib::Response& response) {
            const std::optional<std::string_view> png = gamePicture(request.matches[1].str());
            if (!png) {
                answerPlain(response, 404, "no such picture\n");
                return;
            }
            response.set_header("Cache-Control", "public, max-age=86400");
            response.set_content(std::string(*png), "image/png");
        });
    answerErrorsInPlainText(*pictureRoutes_);

    playListener_ = std::make_unique<HttpListener>(
        pictureRoutes_.get(), playRoutes_.get(), tls_.get(), settings.limits);
    imageListener_ = std::make_unique<HttpListener>(pictureRoutes_.get(), nullptr, nullptr, settings.limits);
    playPort_ = playListener_->bind(settings.host, settings.playPort);
    imagePort_ = playPort_ < 0 ? -1 : imageListener_->bind(settings.host, settings.imagePort);
    return playPort_ >= 0 && imagePort_ >= 0;
}

void VantryServer::start()
{
    playListener_->start();
    imageListener_->start();
}

void VantryServer::stop()
{
    if (playListener_)
        playListener_->stop();
    if (imageListener_)
        imageListener_->stop();
}

} // namespace server
