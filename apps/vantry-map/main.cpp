// vantry-map: the street map of Vantry. `vantry-map snapshot` draws a map
// picture into a PNG file.
#include "Snapshot.h"
#include "SnapshotOptions.h"

#include <QApplication>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kUsageError = 2;

constexpr std::string_view kUsage
    = R"(usage: vantry-map snapshot --center LAT,LON --zoom Z --size WxH --out FILE.png
                           [--marker LAT,LON,PICTURE.png]... [--tile-host HOST:PORT]
                           [--timeout SECONDS]
       vantry-map --help

snapshot  Draws the OpenStreetMap street map around LAT,LON (decimal degrees)
          at zoom level Z (1 to 16; fractions allowed) into a WxH-pixel PNG
          file, with a marker picture centred on each --marker position.
          Tiles come through the tile caches (memory, then the tile database
          MapOpenStreetMap.sqlite in the user's data folder) or from the tile
          server; the program waits until every tile on screen has loaded or
          failed, showing its progress on standard error.

Options:
  --center LAT,LON     the map's centre
  --zoom Z             the zoom level
  --size WxH           the picture's size in pixels (1 to 8192 each)
  --out FILE.png       where the picture goes
  --marker LAT,LON,PICTURE.png
                       a marker showing the picture (PNG or JPEG), any number
  --tile-host HOST:PORT
                       the tile server (default: $VANTRY_TILE_HOST, else
                       tile.openstreetmap.org)
  --timeout SECONDS    how long to wait for the tiles (default 30)
  --help               show this text

Exit status: 0 when the picture was written; 1 when it could not be written
(or a marker picture could not be read); 2 on a usage error; 3 when no tile
could be loaded because the tile server cannot be reached; 4 when the tiles
took longer than the time-out (the picture is written with what arrived).
Without a command vantry-map shows this text and exits 2.
)";

int usage(std::FILE* to, int status)
{
    std::fwrite(kUsage.data(), 1, kUsage.size(), to);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    for (const std::string& argument : arguments) {
        if (argument == "--help")
            return usage(stdout, 0);
    }
    if (arguments.empty() || arguments.front() != "snapshot") {
        if (!arguments.empty())
            std::fprintf(stderr, "vantry-map: unknown command %s\n", arguments.front().c_str());
        return usage(stderr, kUsageError);
    }
    arguments.erase(arguments.begin());
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
