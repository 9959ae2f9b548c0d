#pragma once

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
// runs. Main thread only: downloads block the calling thread (without
// running its event loop) for at most the download time-out.
class Utilities {
public:
    static constexpr double kDefaultDownloadTimeout = 5;

    // Creates the cache folder if needed. `downloadTimeoutSeconds` bounds
    // each download in all.
    explicit Utilities(double downloadTimeoutSeconds = kDefaultDownloadTimeout);

    // Makes sure the picture for `name` is in the cache: if it has no file
    // yet, downloads `urlText` and, when the URL names a PNG or JPEG file
    // (".png", else ".jpg" or ".jpeg", in any letter case) and the bytes
    // are a picture, writes it in that format (JPEG at the best quality),
    // atomically. A later picture of the same name with another URL gets
    // the old file.
    void cacheImage(const std::string& name, const std::string& urlText);
    // The cached picture for `name`, caching it first if needed; null when
    // there is still no readable file. A file read before and unchanged
    // since (same size and time) is not decoded again.
    platform::Image getCachedImage(const std::string& name, const std::string& urlText);

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
    double downloadTimeout_;
};

} // namespace game
