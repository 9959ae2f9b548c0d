#include "VantryServer.h"

#include "GamePictures.h"
#include "GameService.h"
#include "HttpRoutes.h"
#include "HttpServer.h"
#include "Log.h"
#include "PlayRequest.h"
#include "PostgresPlayerStore.h"
#include "ServerCertificates.h"
#include "SqlitePlayerStore.h"
#include "TlsServerContext.h"

#include <filesystem>
#include <system_error>

namespace server {

namespace {
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

} // namespace

VantryServer::VantryServer() = default;

VantryServer::~VantryServer()
{
    stop();
    // A save or load still under way calls back into the game service: the store finishes or gives
    // them up first, while the service is there to hear it.
    store_.reset();
}

std::unique_ptr<VantryServer> VantryServer::create(const VantryServerSettings& settings)
{
    std::unique_ptr<VantryServer> server(new VantryServer());
    if (!server->setUp(settings))
        return nullptr;
    return server;
}

std::unique_ptr<PlayerStore> VantryServer::openStore(const VantryServerSettings& settings)
{
    if (!prepareFolder(settings.dataFolder))
        return nullptr;
    if (!settings.database.empty())
        return PostgresPlayerStore::open(settings.database, settings.keepWaiting);
    return SqlitePlayerStore::open(settings.dataFolder + "/players.sqlite");
}

bool VantryServer::setUp(const VantryServerSettings& settings)
{
    store_ = openStore(settings);
    if (!store_)
        return false;
    // A request that waited for its player's previous one goes on on the connections' threads.
    game_ = std::make_unique<GameService>(*store_, GameRules(settings.seed, settings.fastest),
        &GameService::systemTime, [this](std::function<void()> work) { playServer_->post(std::move(work)); });

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
    playRoutes_->post(std::string(protocol::kPlayPath), protocol::kMaxPlayBodyBytes,
        [this](std::string_view body, HttpRoutes::Respond respond) {
            game_->play(body, [respond = std::move(respond)](GameService::Outcome outcome) {
                if (outcome.status != 200)
                    return respond(HttpAnswer::plain(outcome.status, std::move(outcome.body)));
                respond(HttpAnswer { 200, "application/json", std::move(outcome.body), {} });
            });
        });

    pictureRoutes_ = std::make_unique<HttpRoutes>();
    pictureRoutes_->getUnder(std::string(protocol::kPicturePath), [](std::string_view file) {
        const std::optional<std::string_view> png
            = file.ends_with(".png") ? gamePicture(file.substr(0, file.size() - 4)) : std::nullopt;
        if (!png)
            return HttpAnswer::plain(404, "no such picture\n");
        return HttpAnswer { 200, "image/png", std::string(*png),
            { { "Cache-Control", "public, max-age=86400" } } };
    });

    playServer_
        = std::make_unique<HttpServer>(pictureRoutes_.get(), playRoutes_.get(), tls_.get(), settings.limits);
    imageServer_ = std::make_unique<HttpServer>(pictureRoutes_.get(), nullptr, nullptr, settings.limits);
    playPort_ = playServer_->bind(settings.host, settings.playPort);
    imagePort_ = playPort_ < 0 ? -1 : imageServer_->bind(settings.host, settings.imagePort);
    return playPort_ >= 0 && imagePort_ >= 0;
}

void VantryServer::start()
{
    playServer_->start();
    imageServer_->start();
}

void VantryServer::stop()
{
    if (playServer_)
        playServer_->stop();
    if (imageServer_)
        imageServer_->stop();
}

} // namespace server
