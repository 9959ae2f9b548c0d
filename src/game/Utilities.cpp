#include "Utilities.h"

#include "AtomicFile.h"
#include "Directories.h"
#include "ImageRepresentation.h"
#include "Log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>

namespace game {

namespace {

// Leaves room below the system's 255 bytes for the atomic write's
// temporary name beside the file.
constexpr std::size_t kMaximumFileName = 200;

bool isSafeCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'
        || c == '.';
}

bool isPlainName(std::string_view name)
{
    return !name.empty() && name.front() != '.' && std::all_of(name.begin(), name.end(), isSafeCharacter);
}

bool fileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

enum class FileFormat { None, PNG, JPEG };

FileFormat formatOf(const std::string& urlText)
{
    const std::string url = lowercase(urlText);
    if (url.find(".png") != std::string::npos)
        return FileFormat::PNG;
    if (url.find(".jpg") != std::string::npos || url.find(".jpeg") != std::string::npos)
        return FileFormat::JPEG;
    return FileFormat::None;
}

} // namespace

Utilities::Utilities()
    : folder_(cacheFolder())
{ }

std::string Utilities::cacheFolder()
{
    const std::string folder = platform::Directories::temporary() + "/markers";
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        base::logf("Could not create the folder {}: {}", folder, std::strerror(errno));
    return folder;
}

std::optional<std::string> Utilities::cacheFileName(std::string_view name)
{
    if (isPlainName(name))
        return name.size() <= kMaximumFileName ? std::optional<std::string>(name) : std::nullopt;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded = "%";
    for (const char c : name) {
        if (isSafeCharacter(c)) {
            encoded += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0f];
        }
        if (encoded.size() > kMaximumFileName)
            return std::nullopt;
    }
    return encoded;
}

std::optional<std::string> Utilities::cachePath(const std::string& name) const
{
    const std::optional<std::string> fileName = cacheFileName(name);
    return fileName ? std::optional(folder_ + "/" + *fileName) : std::nullopt;
}

platform::Image Utilities::cacheImage(
    const std::string& name, const std::string& urlText, const platform::Data& bytes) const
{
    const std::optional<std::string> path = cachePath(name);
    if (!path) {
        base::logf("Image name of {} bytes is too long to cache", name.size());
        return {};
    }
    const platform::Image image = platform::Image::fromData(bytes);
    if (image.isNull()) {
        base::logf("Could not decode the image at {}", urlText);
        return {};
    }
    std::optional<platform::Data> encoded;
    switch (formatOf(urlText)) {
    case FileFormat::PNG:
        encoded = platform::imagePNGRepresentation(image);
        break;
    case FileFormat::JPEG:
        encoded = platform::imageJPEGRepresentation(image, 1);
        break;
    case FileFormat::None:
        return {};
    }
    if (encoded)
        platform::writeFileAtomically(*path, *encoded);
    return image;
}

platform::Image Utilities::getCachedImage(const std::string& name) const
{
    const std::optional<std::string> path = cachePath(name);
    return path && fileExists(*path) ? platform::Image::fromFile(*path) : platform::Image();
}

} // namespace game
