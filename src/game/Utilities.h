#pragma once

#include "Data.h"
#include "Image.h"

#include <optional>
#include <string>
#include <string_view>

namespace game {

// The marker picture cache: one file per image name in a folder of the
// user's own temporary folder, so each picture is downloaded from the game
// server once per name. A file holds the picture re-encoded as PNG or JPEG
// (chosen by the URL), under a file name made safe from the image name.
// Nothing removes files; the system may empty the temporary folder between
// runs. It reads and writes files and decodes pictures, which takes longer
// than a frame may: call it off the main thread (any thread may).
class Utilities {
public:
    // Creates the cache folder if needed.
    Utilities();

    // Keeps the picture downloaded from `urlText`: when the URL names a PNG
    // or JPEG file (".png", else ".jpg" or ".jpeg", in any letter case) and
    // the bytes are a picture, writes it in that format (JPEG at the best
    // quality), atomically, and returns it. Null, with nothing written, when
    // the bytes hold no picture or the URL names no format (a picture that
    // can never be kept is not shown either).
    platform::Image cacheImage(
        const std::string& name, const std::string& urlText, const platform::Data& bytes) const;
    // The cached picture for `name`; null when there is no readable file.
    platform::Image getCachedImage(const std::string& name) const;

    // "markers" in the user's temporary folder; created owner-only.
    static std::string cacheFolder();
    // The file name the picture of `name` is kept under. A plain name
    // (letters, digits, '_', '-' and '.', not starting with '.', such as
    // "ms") is kept as it is; any other name, the empty one included, is
    // encoded as '%' followed by its bytes with every byte outside those
    // characters written %XX. So no two names share a file and no name
    // leads outside the folder. None for a name whose file name would be
    // longer than 200 bytes.
    static std::optional<std::string> cacheFileName(std::string_view name);

private:
    std::optional<std::string> cachePath(const std::string& name) const;

    std::string folder_;
};

} // namespace game
