#pragma once

#include "CGGeometry.h"
#include "RMLatLong.h"
#include "RMMapContents.h"

class RMMapView;

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What vantry-map shows, from the options the map window and the snapshot
// share: --center, --zoom, --size, --marker and --tile-host. The defaults
// are the window's; a snapshot requires centre, zoom and size.
struct MapViewOptions {
    struct Marker {
        RMLatLong position;
        // Empty: the program's own marker picture (the window only).
        std::string picture;
    };

    RMLatLong center = RMMapContents::kDefaultCenter;
    float zoom = RMMapContents::kDefaultZoom;
    // The window's first size in points, or the picture's in pixels.
    CGSize size = CGSizeMake(1024, 768);
    std::vector<Marker> markers;
    // "host:port"; empty: the program's default tile server.
    std::string tileHost;
};

// What a reader made of one option and its value.
enum class OptionRead {
    Unknown, // not one of the reader's options
    Read,
    Invalid, // a mistake in the value, named in the error
};

using OptionReader = std::function<OptionRead(const std::string& option, const std::string& value)>;

// Reads `option` and its `value` into `options` when it is a shared option;
// on a mistake in the value sets `error` to a sentence naming it.
OptionRead readMapViewOption(
    MapViewOptions& options, const std::string& option, const std::string& value, std::string& error);

// Walks `arguments` as option-value pairs, handing each to `read`, and
// answers whether every pair was read. Stops at the first mistake with
// `error` naming it: an option without a value, an argument `read` does not
// know, or a value it found wrong (it names that one itself).
bool readOptions(const std::vector<std::string>& arguments, std::string& error, const OptionReader& read);

// Reads the map window's arguments (vantry-map without a command): the
// shared options alone. On a mistake returns none and sets `error` to a
// sentence naming it.
std::optional<MapViewOptions> parseWindowOptions(
    const std::vector<std::string>& arguments, std::string& error);

// The contents of `view` over the OpenStreetMap source (through the cache
// chain), built at the options' centre and zoom: no tile of another place
// is ever asked for.
std::shared_ptr<RMMapContents> createContents(RMMapView& view, const MapViewOptions& options);
