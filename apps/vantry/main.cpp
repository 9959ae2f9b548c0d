// vantry: the game. It opens the game screen, locates the player and plays
// against the game server.
#include "ApplicationId.h"
#include "GameMapViewController.h"
#include "GameOptions.h"
#include "GameServer.h"
#include "GameSettings.h"
#include "GameState.h"
#include "PositionSource.h"
#include "RMOpenStreetMapSource.h"
#include "Timer.h"
#include "TrustedCertificates.h"
#include "VantryAppDelegate.h"
#include "Walker.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kUsageError = 2;
constexpr int kNoPicture = 1;
constexpr int kNoDisplay = 5;

constexpr std::string_view kUsage
    = R"(usage: vantry [--position SOURCE] [--speed X] [--size WxH] [--tile-host HOST:PORT]
              [--server HOST] [--play-port PORT] [--image-port PORT] [--ca-file FILE.pem]
              [--player-key KEY] [--report] [--screenshot FILE.png --after SECONDS]
       vantry --help

Vantry is a street game. Walk about: the game sends your accurate positions
to the game server every 3 seconds and shows what it answers on an
OpenStreetMap street map: coins to collect, your score (bottom left), the
princesses saved and your level (bottom right), and a bar at the top that
warms up as you near a hidden princess. Until your position is known to
within 100 m the screen says "Locating..", and every 60 seconds without such
a fix it asks whether to go on. Drag any marker to move it by hand: its new
place counts as a position. F1 shows the info screen.

Options:
  --position SOURCE   where positions come from:
                        default     the system's positioning service (GeoClue)
                        gpx:FILE    a GPX track, replayed at its own pace
                        nmea:FILE   an NMEA log, replayed at its own pace
                        walker[:LAT,LON]
                                    a simulated player who walks from LAT,LON
                                    to the coins and follows the temperature
  --speed X           replays files and the walker X times faster (default 1)
  --size WxH          the window's size in points (default 360x720)
  --tile-host HOST:PORT
                      the tile server (default: $VANTRY_TILE_HOST, else
                      tile.openstreetmap.org over HTTPS)
  --server HOST       the game server (default: $VANTRY_SERVER, else
                      play.vantry.app)
  --play-port PORT    the server's HTTPS port for play requests (default 443)
  --image-port PORT   the server's plain HTTP port for pictures (default 80)
  --ca-file FILE.pem  trust this certificate authority too, for the game
                      server alone (a private server's); certificates are
                      always verified
  --player-key KEY    play under this key (default: one derived from this
                      device's machine id)
  --report            print a line on standard output whenever the score,
                      the level or the princesses saved change
  --screenshot FILE.png --after SECONDS
                      write a picture of the window after SECONDS and exit
                      (needs no display)
  --help              show this text

Exit status: 0 when the window was closed or the picture written; 1 when the
picture could not be written; 2 on a usage error; 5 when there is no display
to open the window on (without --screenshot).
)";

int usage(std::FILE* to, int status)
{
    std::fwrite(kUsage.data(), 1, kUsage.size(), to);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    for (const std::string& argument : arguments) {
        if (argument == "--help")
            return usage(stdout, 0);
    }
    std::string error;
    const auto options = parseGameOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "vantry: %s\n", error.c_str());
        return usage(stderr, kUsageError);
    }
    // A picture needs no display; a window needs one, and none at all is
    // better than an invisible one.
    const bool choosePlatform = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (choosePlatform)
        qputenv("QT_QPA_PLATFORM",
            !options->screenshot.empty()                         ? "offscreen"
                : qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "xcb;offscreen"
                                                                 : "wayland;xcb;offscreen");
    // The desktop matches the window to the desktop file (and its icon and launcher badge) by this name.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(platform::kApplicationId));
    QApplication application(argc, argv);
    if (choosePlatform && options->screenshot.empty()
        && QGuiApplication::platformName() == QLatin1String("offscreen")) {
        std::fprintf(stderr,
            "vantry: no display to open the game window on ($DISPLAY or $WAYLAND_DISPLAY); "
            "--screenshot FILE.png --after SECONDS plays without one\n");
        return kNoDisplay;
    }

    if (!options->tileHost.empty())
        RMOpenStreetMapSource::setTileHost(options->tileHost);
    protocol::GameServer::setHost(options->server);
    // The game server's authority is trusted for the game server alone.
    if (!options->caFile.empty()
        && !platform::TrustedCertificates::addAuthoritiesFromFile(
            options->caFile, protocol::GameServer::host())) {
        std::fprintf(stderr, "vantry: cannot use %s as a certificate authority\n", options->caFile.c_str());
        return kUsageError;
    }
    protocol::GameServer::setPlayPort(options->playPort);
    protocol::GameServer::setImagePort(options->imagePort);
    game::GameSettings& settings = game::GameSettings::shared();
    settings.playerKeyOverride = options->playerKey;
    if (options->reportProgress) {
        settings.answerApplied = [last = std::optional<std::array<int, 4>>()](
                                     const protocol::PlayAnswer& answer) mutable {
            const std::array<int, 4> now { answer.score, answer.total, answer.level, answer.princessCount };
            if (last == now)
                return;
            last = now;
            std::printf("score %d/%d, level %d, princesses saved %d/%d\n", answer.score, answer.total,
                answer.level, answer.princessCount, answer.level);
            std::fflush(stdout);
        };
    }
    std::string sourceError;
    if (options->position.starts_with("walker")) {
        const auto start = game::Walker::startFromSpec(options->position, sourceError);
        if (!start) {
            std::fprintf(stderr, "vantry: %s\n", sourceError.c_str());
            return kUsageError;
        }
        settings.positionSource
            = [start = *start, speed = options->speed](game::GameMapViewController& screen) {
                  return std::make_unique<game::Walker>(screen, start, speed);
              };
    } else if (options->position != "default") {
        if (!platform::PositionSource::fromSpec(options->position, options->speed, &sourceError)) {
            std::fprintf(stderr, "vantry: %s\n", sourceError.c_str());
            return kUsageError;
        }
        settings.positionSource
            = [spec = options->position, speed = options->speed](game::GameMapViewController&) {
                  return platform::PositionSource::fromSpec(spec, speed, nullptr);
              };
    }

    int status = 0;
    {
        game::VantryAppDelegate delegate(options->size);
        delegate.window().setCloseHandler([] { QApplication::quit(); });
        delegate.applicationDidFinishLaunching();
        platform::Timer screenshot;
        if (options->after) {
            screenshot = platform::Timer::scheduledTimer(*options->after, false, [&] {
                const bool written
                    = delegate.window().grab().save(QString::fromStdString(options->screenshot), "PNG");
                if (!written)
                    std::fprintf(
                        stderr, "vantry: cannot write the picture %s\n", options->screenshot.c_str());
                QApplication::exit(written ? 0 : kNoPicture);
            });
        }
        status = application.exec();
    }
    game::GameState::reset();
    return status;
}
