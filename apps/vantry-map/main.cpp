// vantry-map: the street map of Vantry. Without a command it opens the map
// in a window; `vantry-map snapshot` draws a map picture into a PNG file.
#include "Clock.h"
#include "Image.h"
#include "MapViewOptions.h"
#include "MapWindow.h"
#include "RMOpenStreetMapSource.h"
#include "Snapshot.h"
#include "SnapshotOptions.h"
#include "StartUp.h"
#include "StartUpOptions.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kUsageError = 2;
constexpr int kNoPicture = 1;
constexpr int kNoDisplay = 5;

constexpr std::string_view kUsage = R"(usage: vantry-map [--center LAT,LON] [--zoom Z] [--size WxH]
                  [--marker LAT,LON[,PICTURE.png]]... [--tile-host HOST:PORT]
       vantry-map snapshot --center LAT,LON --zoom Z --size WxH --out FILE.png
                           [--marker LAT,LON,PICTURE.png]... [--tile-host HOST:PORT]
                           [--timeout SECONDS] [--scale S]
       vantry-map start-up [the window's options] [--timeout SECONDS]
       vantry-map --help

Without a command vantry-map opens the OpenStreetMap street map in a window
(WxH points, 1024x768 by default) centred on LAT,LON at zoom level Z (by
default -33.858771,151.201596 at 13). Drag it with a finger or the left
mouse button and flick it to let it glide; pinch with two fingers to zoom;
double-tap (double-click) to zoom in by a level; the wheel zooms by whole
levels about the pointer, + and - about the centre, and the arrow keys pan.
Each --marker shows a picture (the program's own pin without PICTURE); tap
or click a marker to show or hide its position, and drag it to move it.
On a screen of 2 or 3 pixels per point the map shows the tiles of the zoom
that matches the screen's pixels, one tile pixel on one screen pixel.
Needs a display ($DISPLAY or $WAYLAND_DISPLAY); exit status 5 without one.

snapshot  Draws the OpenStreetMap street map around LAT,LON (decimal degrees)
          at zoom level Z (1 to 16; fractions allowed) into a WxH-pixel PNG
          file, with a marker picture centred on each --marker position.
          Tiles come through the tile caches (memory, then the tile database
          MapOpenStreetMap.sqlite in the user's data folder; another tile
          server has a database of its own) or from the tile server; expired
          tiles are shown and asked about again. The program waits until
          every tile on screen has loaded or failed, showing its progress on
          standard error. With --scale S the picture has S pixels per point,
          as a phone's screen of S pixels per point shows the map: WxH
          points, S times as many pixels, the tiles of the zoom that
          matches them. Needs no display.

start-up  Opens the map window as vantry-map does (on the offscreen platform
          when there is no display), waits until a frame has drawn every
          tile on screen, prints how long that took ("first full frame: WxH
          points, N tiles, T ms after start", counted from when the
          program's own code began, its libraries loaded) and quits. With
          the tiles in the tile database nothing is downloaded.

Options:
  --center LAT,LON     the map's centre
  --zoom Z             the zoom level
  --size WxH           the window's or picture's size (1 to 8192 each)
  --out FILE.png       where the picture goes
  --marker LAT,LON,PICTURE.png
                       a marker showing the picture (PNG or JPEG), any number
  --tile-host HOST:PORT
                       the tile server (default: $VANTRY_TILE_HOST, else
                       tile.openstreetmap.org); HOST:PORT is asked over plain
                       HTTP (a loopback server), HOST or https://HOST over
                       HTTPS
  --timeout SECONDS    how long to wait for the tiles (default 30)
  --scale S            pixels per point of the picture, 1 to 4 (default 1)
  --help               show this text

Exit status of snapshot: 0 when the picture was written; 1 when it could not
be written (or a marker picture could not be read); 2 on a usage error; 3
when no tile could be loaded because the tile server cannot be reached or
answers with no tiles (an error status, or no pictures); 4 when the tiles
took longer than the time-out (the picture is written with what arrived).
Exit status of start-up: 0 once drawn; 2 on a usage error; 4 when the tiles
took longer than the time-out.
)";

int usage(std::FILE* to, int status)
{
    std::fwrite(kUsage.data(), 1, kUsage.size(), to);
    return status;
}

int snapshot(std::vector<std::string> arguments, int argc, char** argv)
{
    std::string error;
    const auto options = parseSnapshotOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "vantry-map: %s\n", error.c_str());
        return usage(stderr, kUsageError);
    }
    // A snapshot needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    return runSnapshot(*options);
}

// One picture per marker option (the program's own pin where none is
// named); none, with the reason on stderr, when one cannot be read.
std::optional<std::vector<platform::Image>> markerPictures(const MapViewOptions& options)
{
    std::vector<platform::Image> pictures;
    for (const MapViewOptions::Marker& marker : options.markers) {
        // The program's own pin comes in the resolution of the screen.
        platform::Image picture = marker.picture.empty() ? platform::Image::named("marker")
                                                         : platform::Image::fromFile(marker.picture);
        if (picture.isNull()) {
            const std::string path = marker.picture.empty() ? "marker.png" : marker.picture;
            std::fprintf(stderr, "vantry-map: cannot read the marker picture %s\n", path.c_str());
            return std::nullopt;
        }
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

int window(const std::vector<std::string>& arguments, int argc, char** argv)
{
    std::string error;
    const auto options = parseWindowOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "vantry-map: %s\n", error.c_str());
        return usage(stderr, kUsageError);
    }
    // The display the session offers, and no window at all rather than an
    // invisible one when there is none.
    const bool choosePlatform = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (choosePlatform)
        qputenv("QT_QPA_PLATFORM",
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "xcb;offscreen" : "wayland;xcb;offscreen");
    QApplication application(argc, argv);
    if (choosePlatform && QGuiApplication::platformName() == QLatin1String("offscreen")) {
        std::fprintf(stderr,
            "vantry-map: no display to open the map window on ($DISPLAY or $WAYLAND_DISPLAY); "
            "`vantry-map snapshot` draws the map without one\n");
        return kNoDisplay;
    }

    const auto pictures = markerPictures(*options);
    if (!pictures)
        return kNoPicture;
    if (!options->tileHost.empty())
        RMOpenStreetMapSource::setTileHost(options->tileHost);

    MapWindow map(*options, *pictures);
    map.show();
    return application.exec();
}

int startUp(const std::vector<std::string>& arguments, int argc, char** argv, double launchedAt)
{
    std::string error;
    const auto options = parseStartUpOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "vantry-map: %s\n", error.c_str());
        return usage(stderr, kUsageError);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM",
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "xcb;offscreen" : "wayland;xcb;offscreen");
    QApplication application(argc, argv);
    const auto pictures = markerPictures(options->map);
    if (!pictures)
        return kNoPicture;
    if (!options->map.tileHost.empty())
        RMOpenStreetMapSource::setTileHost(options->map.tileHost);
    return runStartUp(*options, *pictures, launchedAt);
}

} // namespace

int main(int argc, char** argv)
{
    const double launchedAt = platform::Clock::current().now();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    for (const std::string& argument : arguments) {
        if (argument == "--help")
            return usage(stdout, 0);
    }
    if (!arguments.empty() && arguments.front() == "snapshot")
        return snapshot({ arguments.begin() + 1, arguments.end() }, argc, argv);
    if (!arguments.empty() && arguments.front() == "start-up")
        return startUp({ arguments.begin() + 1, arguments.end() }, argc, argv, launchedAt);
    if (!arguments.empty() && !arguments.front().starts_with("--")) {
        std::fprintf(stderr, "vantry-map: unknown command %s\n", arguments.front().c_str());
        return usage(stderr, kUsageError);
    }
    return window(arguments, argc, argv);
}
